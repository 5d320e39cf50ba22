#include "reports/DepartmentMapView.h"

#include "core/countries/MapDepartments.h"
#include "platform/Colors.h"
#include "reports/DepartmentShapes.h"

#include <QFont>
#include <QLabel>
#include <QPainter>

#include <array>

namespace zep {

namespace {

/// The inner ring of Paris, too small on the whole map for its labels: shown in the inset.
constexpr int insetDepartments[] = {75, 92, 93, 94};
// The inset sits in the Channel, above Brittany, where the drawing is empty sea.
const QRectF insetFrameOnPicture(4, 4, 138, 122);
constexpr double insetTitleHeight = 16;
const QString insetTitle = QStringLiteral("Paris et petite couronne");

bool inInset(int label) {
    return std::find(std::begin(insetDepartments), std::end(insetDepartments), label) !=
           std::end(insetDepartments);
}

QRectF insetAreaOf(const DepartmentAtlas &atlas) {
    QRectF area;
    for (int label : insetDepartments)
        if (const DepartmentShape *shape = atlas.shape(label))
            area = area.united(shape->outline.boundingRect());
    return area;
}

QTransform insetTransformOf(const QRectF &area) {
    if (area.isEmpty())
        return {};
    const QRectF room = insetFrameOnPicture.adjusted(6, insetTitleHeight + 2, -6, -6);
    const double scale = std::min(room.width() / area.width(), room.height() / area.height());
    const QPointF shown(area.width() * scale, area.height() * scale);
    const QPointF topLeft = room.center() - shown / 2;
    return QTransform::fromTranslate(topLeft.x(), topLeft.y())
        .scale(scale, scale)
        .translate(-area.left(), -area.top());
}

/// Label centres on the picture, worked out once per run: the search for a place inside each
/// outline is the costly part of opening the map.
const std::array<QPointF, MapDepartments::labels> &placesOnPicture() {
    static const std::array<QPointF, MapDepartments::labels> places = [] {
        std::array<QPointF, MapDepartments::labels> p{};
        const DepartmentAtlas &atlas = DepartmentAtlas::france();
        const QTransform inset = insetTransformOf(insetAreaOf(atlas));
        const QSizeF size(DepartmentMapView::labelWidth, DepartmentMapView::labelHeight);
        QList<QPainterPath> outlines;
        for (const DepartmentShape &shape : atlas.shapes())
            outlines.append(inInset(shape.label) ? inset.map(shape.outline) : shape.outline);
        const QList<QPointF> placed = labelPlaces(outlines, size);
        for (qsizetype i = 0; i < placed.size(); ++i)
            p[static_cast<size_t>(atlas.shapes()[i].label)] = placed[i];
        return p;
    }();
    return places;
}

} // namespace

DepartmentMapView::DepartmentMapView(const MapDepartments &shown, QWidget *parent)
    : QWidget(parent), shown_(shown) {
    setObjectName(QStringLiteral("Picture1"));
    const DepartmentAtlas &atlas = DepartmentAtlas::france();
    insetFrame_ = insetFrameOnPicture;
    insetArea_ = insetAreaOf(atlas);
    insetTransform_ = insetTransformOf(insetArea_);
    pictureTransform_ = QTransform::fromTranslate(-atlas.viewBox().left(), -atlas.viewBox().top());
    setFixedSize(sizeHint());

    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    const auto &places = placesOnPicture();
    for (int i = 0; i < MapDepartments::labels; ++i) {
        auto *label = new QLabel(MapDepartments::caption(i), this);
        label->setObjectName(QStringLiteral("Dep_%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setFont(font);
        label->setFixedSize(labelWidth, labelHeight);
        setBackground(label, colors::systemWindow());
        const DepartmentShape *shape = atlas.shape(i);
        // 0 ("00"), 20 (Corsica before its split), 98 and 99 have no department to sit on.
        if (!shape) {
            label->hide();
        } else {
            const QPointF centre = places[static_cast<size_t>(i)];
            label->move(qRound(centre.x() - labelWidth / 2.0),
                        qRound(centre.y() - labelHeight / 2.0));
            label->setToolTip(shape->name);
        }
        Dep.append(label);
    }
    showWorked();
}

QSize DepartmentMapView::sizeHint() const {
    const QRectF box = DepartmentAtlas::france().viewBox();
    return box.isEmpty() ? QSize(613, 585) : box.size().toSize();
}

QPointF DepartmentMapView::departmentCentre(int label) const {
    if (!DepartmentAtlas::france().shape(label))
        return {};
    return placesOnPicture()[static_cast<size_t>(label)];
}

void DepartmentMapView::showWorked() {
    const QColor background = colors::systemWindow();
    const QColor green = colors::departmentWorked();
    // Labels 0 keep their colour, as on the entry window's strip.
    for (int i = 1; i < Dep.size(); ++i) {
        const QColor wanted = shown_.isWorked(i) ? green : background;
        if (backgroundOf(Dep[i]) != wanted)
            setBackground(Dep[i], wanted);
    }
    update();
}

QImage DepartmentMapView::drawLines(qreal pixelRatio) const {
    QImage lines((QSizeF(size()) * pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    lines.setDevicePixelRatio(pixelRatio);
    lines.fill(Qt::transparent);
    QPainter painter(&lines);
    painter.setRenderHint(QPainter::Antialiasing);
    const DepartmentAtlas &atlas = DepartmentAtlas::france();
    const QPen outlinePen(Qt::black, 0.7);
    painter.setBrush(Qt::NoBrush);
    for (const DepartmentShape &shape : atlas.shapes()) {
        painter.setPen(outlinePen);
        painter.setTransform(pictureTransform_);
        painter.drawPath(shape.outline);
        if (inInset(shape.label)) {
            painter.setTransform(insetTransform_);
            // As thin in the inset as on the map.
            QPen thin = outlinePen;
            thin.setWidthF(outlinePen.widthF() / insetTransform_.m11());
            painter.setPen(thin);
            painter.drawPath(shape.outline);
        }
    }
    painter.resetTransform();
    // The inset's frame and title, and on the map the area it enlarges.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(pictureTransform_.mapRect(insetArea_).adjusted(-2, -2, 2, 2));
    painter.drawRect(insetFrame_);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSizeF(8);
    painter.setFont(titleFont);
    painter.drawText(
        QRectF(insetFrame_.left(), insetFrame_.top() + 1, insetFrame_.width(), insetTitleHeight),
        Qt::AlignCenter, insetTitle);
    return lines;
}

void DepartmentMapView::paintEvent(QPaintEvent *) {
    // The outlines never change: they are drawn once into a layer laid over the fills, so
    // that a repaint only fills the departments worked.
    const qreal ratio = devicePixelRatioF();
    if (lines_.isNull() || lines_.devicePixelRatio() != ratio)
        lines_ = drawLines(ratio);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors::departmentWorked());
    for (const DepartmentShape &shape : DepartmentAtlas::france().shapes()) {
        if (!shown_.isWorked(shape.label))
            continue;
        painter.setTransform(pictureTransform_);
        painter.drawPath(shape.outline);
        if (inInset(shape.label)) {
            painter.setTransform(insetTransform_);
            painter.drawPath(shape.outline);
        }
    }
    painter.resetTransform();
    painter.drawImage(QPointF(0, 0), lines_);
}

} // namespace zep
