#include "reports/DepartmentShapes.h"

#include "core/reports/Statistics.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zep {

namespace {

/// Reads the numbers and command letters of SVG path data one at a time.
class PathTokens {
public:
    explicit PathTokens(QStringView data) : data_(data) {}

    void skipSeparators() {
        while (at_ < data_.size() && (data_[at_].isSpace() || data_[at_] == QLatin1Char(',')))
            ++at_;
    }
    bool atEnd() {
        skipSeparators();
        return at_ >= data_.size();
    }
    /// The next command letter, or a null character when a number comes next (the previous
    /// command repeats).
    QChar command() {
        skipSeparators();
        if (at_ < data_.size() && data_[at_].isLetter())
            return data_[at_++];
        return QChar();
    }
    bool number(double &value) {
        skipSeparators();
        const qsizetype start = at_;
        if (at_ < data_.size() &&
            (data_[at_] == QLatin1Char('-') || data_[at_] == QLatin1Char('+')))
            ++at_;
        bool dot = false, digits = false;
        while (at_ < data_.size()) {
            const QChar c = data_[at_];
            if (c.isDigit()) {
                digits = true;
            } else if (c == QLatin1Char('.') && !dot) {
                dot = true;
            } else {
                break;
            }
            ++at_;
        }
        if (digits && at_ < data_.size() &&
            (data_[at_] == QLatin1Char('e') || data_[at_] == QLatin1Char('E'))) {
            qsizetype exp = at_ + 1;
            if (exp < data_.size() &&
                (data_[exp] == QLatin1Char('-') || data_[exp] == QLatin1Char('+')))
                ++exp;
            if (exp < data_.size() && data_[exp].isDigit()) {
                at_ = exp;
                while (at_ < data_.size() && data_[at_].isDigit())
                    ++at_;
            }
        }
        if (!digits) {
            at_ = start;
            return false;
        }
        bool ok = false;
        value = data_.mid(start, at_ - start).toDouble(&ok);
        return ok;
    }

private:
    QStringView data_;
    qsizetype at_ = 0;
};

QPointF areaCentre(const QPainterPath &outline) {
    double area = 0, cx = 0, cy = 0;
    for (const QPolygonF &polygon : outline.toFillPolygons()) {
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            const QPointF &a = polygon[i];
            const QPointF &b = polygon[(i + 1) % polygon.size()];
            const double cross = a.x() * b.y() - b.x() * a.y();
            area += cross;
            cx += (a.x() + b.x()) * cross;
            cy += (a.y() + b.y()) * cross;
        }
    }
    if (std::abs(area) < 1e-9)
        return outline.boundingRect().center();
    return {cx / (3 * area), cy / (3 * area)};
}

} // namespace

QPainterPath parseSvgPath(QStringView data, bool *ok) {
    QPainterPath path;
    PathTokens tokens(data);
    QPointF current, start;
    QChar command;
    bool good = true;
    while (good && !tokens.atEnd()) {
        const QChar next = tokens.command();
        if (!next.isNull()) {
            command = next;
        } else if (command.isNull() || command.toLower() == QLatin1Char('z')) {
            good = false; // numbers with no command to take them
            break;
        }
        const bool relative = command.isLower();
        const QPointF origin = relative ? current : QPointF();
        double x = 0, y = 0;
        switch (command.toLower().unicode()) {
        case 'm':
            if (!(tokens.number(x) && tokens.number(y))) {
                good = false;
                break;
            }
            current = origin + QPointF(x, y);
            start = current;
            path.moveTo(current);
            // Further pairs after a move are lines.
            command = relative ? QLatin1Char('l') : QLatin1Char('L');
            break;
        case 'l':
            if (!(tokens.number(x) && tokens.number(y))) {
                good = false;
                break;
            }
            current = origin + QPointF(x, y);
            path.lineTo(current);
            break;
        case 'h':
            if (!tokens.number(x)) {
                good = false;
                break;
            }
            current.setX((relative ? current.x() : 0) + x);
            path.lineTo(current);
            break;
        case 'v':
            if (!tokens.number(y)) {
                good = false;
                break;
            }
            current.setY((relative ? current.y() : 0) + y);
            path.lineTo(current);
            break;
        case 'z':
            path.closeSubpath();
            current = start;
            break;
        default:
            good = false;
            break;
        }
    }
    if (ok)
        *ok = good;
    return good ? path : QPainterPath();
}

namespace {

double squaredDistance(const QPointF &a, const QPointF &b) {
    const QPointF d = a - b;
    return d.x() * d.x() + d.y() * d.y();
}

/// The label rectangle centred on `p` lies inside `outline`: its corners, the middles of its
/// sides and its centre do.
bool labelInside(const QPainterPath &outline, const QPointF &p, double halfW, double halfH) {
    for (double dy : {-halfH, 0.0, halfH})
        for (double dx : {-halfW, 0.0, halfW})
            if (!outline.contains(p + QPointF(dx, dy)))
                return false;
    return true;
}

/// The points of a grid over `area`, nearest to `centre` first.
std::vector<QPointF> gridNearest(const QRectF &area, const QPointF &centre) {
    std::vector<QPointF> points;
    constexpr double step = 2;
    for (double y = area.top(); y <= area.bottom(); y += step)
        for (double x = area.left(); x <= area.right(); x += step)
            points.emplace_back(x, y);
    std::sort(points.begin(), points.end(), [&](const QPointF &a, const QPointF &b) {
        return squaredDistance(a, centre) < squaredDistance(b, centre);
    });
    return points;
}

} // namespace

QPointF labelPlace(const QPainterPath &outline, QSizeF labelSize, bool *fits) {
    const QPointF centre = areaCentre(outline);
    const double halfW = labelSize.width() / 2, halfH = labelSize.height() / 2;
    const QRectF room = outline.boundingRect().adjusted(halfW, halfH, -halfW, -halfH);
    if (fits)
        *fits = true;
    if (room.isValid())
        for (const QPointF &p : gridNearest(room, centre))
            if (labelInside(outline, p, halfW, halfH))
                return p;
    if (fits)
        *fits = false;
    return outline.contains(centre) ? centre : outline.boundingRect().center();
}

QList<QPointF> labelPlaces(const QList<QPainterPath> &outlines, QSizeF labelSize) {
    QList<QPointF> places(outlines.size());
    QList<QRectF> taken;
    QList<qsizetype> crowded;
    const auto boxAt = [&](const QPointF &p) {
        return QRectF(p.x() - labelSize.width() / 2, p.y() - labelSize.height() / 2,
                      labelSize.width(), labelSize.height());
    };
    // Labels that fit inside their department cannot cover each other: departments do not
    // overlap. They are placed first.
    for (qsizetype i = 0; i < outlines.size(); ++i) {
        bool fits = false;
        places[i] = labelPlace(outlines[i], labelSize, &fits);
        if (fits)
            taken.append(boxAt(places[i]));
        else
            crowded.append(i);
    }
    // The others go as near their department as they can without covering a label already
    // placed: on the department when possible, else just beside it.
    for (qsizetype i : crowded) {
        const QPointF wanted = places[i];
        const QRectF around =
            boxAt(wanted).adjusted(-2 * labelSize.width(), -2 * labelSize.height(),
                                   2 * labelSize.width(), 2 * labelSize.height());
        std::vector<QPointF> free;
        for (const QPointF &p : gridNearest(around, wanted)) {
            const QRectF box = boxAt(p);
            if (std::none_of(taken.begin(), taken.end(),
                             [&](const QRectF &t) { return t.intersects(box); }))
                free.push_back(p);
        }
        const auto onDepartment = std::find_if(
            free.begin(), free.end(), [&](const QPointF &p) { return outlines[i].contains(p); });
        if (onDepartment != free.end())
            places[i] = *onDepartment;
        else if (!free.empty())
            places[i] = free.front();
        taken.append(boxAt(places[i]));
    }
    return places;
}

DepartmentAtlas DepartmentAtlas::fromSvg(const QByteArray &svg, QString *error) {
    DepartmentAtlas atlas;
    QString fault;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd() && fault.isEmpty()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("svg")) {
            const QList<QStringView> box = attributes.value(QLatin1String("viewBox"))
                                               .split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (box.size() == 4)
                atlas.viewBox_ = QRectF(box[0].toDouble(), box[1].toDouble(), box[2].toDouble(),
                                        box[3].toDouble());
        } else if (xml.name() == QLatin1String("path")) {
            DepartmentShape shape;
            shape.id = attributes.value(QLatin1String("id")).toString();
            shape.name = attributes.value(QLatin1String("aria-label")).toString();
            // Two digits, or Corsica's 2A and 2B.
            static const QRegularExpression idShape(QStringLiteral("^(\\d\\d|2[AaBb])$"));
            const std::optional<int> slot = departmentSlot(shape.id);
            if (!idShape.match(shape.id).hasMatch() || !slot || *slot < 1 || *slot > 97) {
                fault = QStringLiteral("department id \"%1\"").arg(shape.id);
                break;
            }
            shape.label = *slot;
            bool ok = false;
            shape.outline = parseSvgPath(attributes.value(QLatin1String("d")), &ok);
            if (!ok || shape.outline.isEmpty()) {
                fault = QStringLiteral("outline of department %1").arg(shape.id);
                break;
            }
            shape.outline.setFillRule(Qt::WindingFill);
            if (atlas.shape(shape.label)) {
                fault = QStringLiteral("department %1 twice").arg(shape.id);
                break;
            }
            atlas.shapes_.append(shape);
        }
    }
    if (fault.isEmpty() && xml.hasError())
        fault = xml.errorString();
    if (fault.isEmpty() && atlas.viewBox_.isEmpty())
        fault = QStringLiteral("no viewBox");
    if (!fault.isEmpty()) {
        if (error)
            *error = fault;
        return {};
    }
    return atlas;
}

const DepartmentAtlas &DepartmentAtlas::france() {
    static const DepartmentAtlas atlas = [] {
        QFile file(QStringLiteral(":/map/france-departments.svg"));
        if (!file.open(QIODevice::ReadOnly)) {
            qWarning("The departments drawing is missing from the program");
            return DepartmentAtlas();
        }
        QString error;
        DepartmentAtlas read = fromSvg(file.readAll(), &error);
        if (!error.isEmpty())
            qWarning("The departments drawing is damaged: %s", qPrintable(error));
        return read;
    }();
    return atlas;
}

const DepartmentShape *DepartmentAtlas::shape(int label) const {
    for (const DepartmentShape &s : shapes_)
        if (s.label == label)
            return &s;
    return nullptr;
}

} // namespace zep
