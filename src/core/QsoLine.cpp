#include "core/QsoLine.h"

#include "core/TextFile.h"

namespace zep {

namespace {

struct FieldSpec {
    const QString *value;
    int width;
    const char *label;
};

/// Upper-cases the remarks one character at a time, keeping a character whose capital would
/// not fit the code page or is not one character (µ, ß): the remark must stay storable and keep
/// its length.
QString upperRemarks(const QString &text) {
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.unicode() < 0x80) {
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                out[i] = QChar(c.unicode() - 'a' + 'A');
            continue;
        }
        const QChar upper = c.toUpper();
        if (upper != c && cp1252::canEncode(QString(upper)))
            out[i] = upper;
    }
    return out;
}

bool hasControlCharacter(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

/// Column window of a line, 1-based, blanks trimmed; nothing beyond the line's end.
QString column(const QString &line, int start, int width) {
    return line.mid(start - 1, width).trimmed();
}

bool twoDigits(const QString &s, qsizetype at, int &value) {
    const QChar a = s.at(at), b = s.at(at + 1);
    if (!a.isDigit() || !b.isDigit() || a.unicode() > '9' || b.unicode() > '9')
        return false;
    value = (a.unicode() - '0') * 10 + (b.unicode() - '0');
    return true;
}

struct Stamp {
    QDate date;
    int hour = 0, minute = 0;
};

std::optional<Stamp> stampOf(const QString &line) {
    // The date is the first 8 characters and the time the 5 from column 11, read after trimming
    // like every other field: "dd/mm/yy" and "hh:mm".
    const QString date = column(line, qsocol::date, qsocol::dateWidth);
    const QString time = column(line, qsocol::time, qsocol::timeWidth);
    if (date.size() != 8 || time.size() != 5 || date.at(2) != QLatin1Char('/') ||
        date.at(5) != QLatin1Char('/') || time.at(2) != QLatin1Char(':'))
        return std::nullopt;
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    if (!twoDigits(date, 0, day) || !twoDigits(date, 3, month) || !twoDigits(date, 6, year) ||
        !twoDigits(time, 0, hour) || !twoDigits(time, 3, minute))
        return std::nullopt;
    // Two-digit years: 50-99 are the 1900s, 00-49 the 2000s.
    year += year >= 50 ? 1900 : 2000;
    const QDate d(year, month, day);
    if (!d.isValid() || hour > 23 || minute > 59)
        return std::nullopt;
    return Stamp{d, hour, minute};
}

} // namespace

BuiltLine buildQsoLine(const QsoFields &f) {
    const QString remarks = upperRemarks(f.remarks);
    const FieldSpec fields[] = {
        {&f.date, qsocol::dateWidth, "Date"},
        {&f.time, qsocol::timeWidth, "Heure"},
        {&f.call, qsocol::callWidth, "Indicatif"},
        {&f.department, qsocol::departmentWidth, "Département"},
        {&f.firstName, qsocol::firstNameWidth, "Prénom"},
        {&f.rstReceived, qsocol::rstWidth, "Report reçu"},
        {&f.rstSent, qsocol::rstWidth, "Report envoyé"},
        {&f.mode, qsocol::modeWidth, "Mode"},
        {&f.band, qsocol::bandWidth, "Bande"},
        {&remarks, qsocol::remarksWidth, "Observations"},
    };
    BuiltLine built;
    for (const FieldSpec &spec : fields) {
        if (spec.value->size() > spec.width) {
            built.error = QStringLiteral("Le champ %1 dépasse %2 caractères : le QSO n'est pas "
                                         "enregistré.")
                              .arg(QString::fromUtf8(spec.label))
                              .arg(spec.width);
            return built;
        }
        if (hasControlCharacter(*spec.value)) {
            built.error = QStringLiteral("Le champ %1 contient un caractère de contrôle : le QSO "
                                         "n'est pas enregistré.")
                              .arg(QString::fromUtf8(spec.label));
            return built;
        }
    }

    QString line;
    line.reserve(qsocol::lineLength);
    // Date to mode: the value, then blanks up to the next field's column. The reports take 4
    // columns whether they are "59" or "599".
    const int gaps[] = {2 + 8, 2 + 5, 2 + 12, 2 + 2, 2 + 15, 2 + 2, 2 + 2, 2 + 4};
    for (int i = 0; i < 8; ++i) {
        line += *fields[i].value;
        line += QString(gaps[i] - fields[i].value->size(), QLatin1Char(' '));
    }
    // The band is right-aligned in front of its unit.
    line += QString(qsocol::bandWidth - f.band.size(), QLatin1Char(' '));
    line += f.band;
    line += QLatin1String(" Mhz ");
    line += remarks;
    line += QString(qsocol::remarksWidth - remarks.size(), QLatin1Char(' '));
    built.ok = true;
    built.line = line;
    return built;
}

QsoFields readQsoLine(const QString &line) {
    QsoFields f;
    f.date = column(line, qsocol::date, qsocol::dateWidth);
    f.time = column(line, qsocol::time, qsocol::timeWidth);
    f.call = column(line, qsocol::call, qsocol::callWidth);
    f.department = column(line, qsocol::department, qsocol::departmentWidth);
    f.firstName = column(line, qsocol::firstName, qsocol::firstNameWidth);
    f.rstReceived = column(line, qsocol::rstReceived, qsocol::rstWidth);
    f.rstSent = column(line, qsocol::rstSent, qsocol::rstWidth);
    f.mode = column(line, qsocol::mode, qsocol::modeWidth);
    f.band = column(line, qsocol::band, qsocol::bandWidth);
    f.remarks = column(line, qsocol::remarks, qsocol::remarksWidth);
    return f;
}

QString qsoListItem(int number, const QString &line) {
    const QString n = QString::number(number);
    QString item;
    item.reserve(6 + line.size());
    if (n.size() < 4)
        item += QString(4 - n.size(), QLatin1Char(' '));
    item += n;
    item += QLatin1String("  ");
    item += line;
    return item;
}

QStringList qsoListItems(const QStringList &lines) {
    QStringList items;
    items.reserve(lines.size());
    int n = 1;
    for (const QString &line : lines)
        items.append(qsoListItem(n++, line));
    return items;
}

std::optional<QDateTime> qsoOrderingKey(const QString &line) {
    const auto stamp = stampOf(line);
    if (!stamp)
        return std::nullopt;
    return QDateTime(stamp->date, QTime(stamp->hour, stamp->minute), Qt::UTC);
}

std::optional<qint64> qsoOrderingNumber(const QString &line) {
    const auto stamp = stampOf(line);
    if (!stamp)
        return std::nullopt;
    const QDate &d = stamp->date;
    return ((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 10000 + stamp->hour * 100 +
           stamp->minute;
}

} // namespace zep
