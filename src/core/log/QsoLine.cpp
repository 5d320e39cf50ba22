#include "core/log/QsoLine.h"

#include "core/io/TextFile.h"

#include <algorithm>
#include <utility>

namespace zep {

namespace {

struct FieldRule {
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

struct Stamp {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0;
};

/// Days in a month of the Gregorian calendar. Checked here rather than by making a QDate: a log
/// of 100,000 lines is read for its dates at each opening of the entry window.
int daysInMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

/// A 1-based column window of `line` with its blanks trimmed, as offsets into the line.
template <class View>
std::pair<qsizetype, qsizetype> trimmedWindow(View line, int start, int width) {
    qsizetype from = std::min<qsizetype>(start - 1, line.size());
    qsizetype to = std::min<qsizetype>(from + width, line.size());
    while (from < to && line[from] == ' ')
        ++from;
    while (to > from && line[to - 1] == ' ')
        --to;
    return {from, to};
}

template <class View> bool twoDigits(View line, qsizetype at, int &value) {
    const auto a = line[at], b = line[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return false;
    value = (a - '0') * 10 + (b - '0');
    return true;
}

/// The date ("dd/mm/yy", the first 8 characters) and the time ("hh:mm", 5 characters from
/// column 11) of a QSO line, each trimmed like every other field. `View` gives `char` or
/// `QChar`-like units through operator[].
template <class View> std::optional<Stamp> stampOf(View line) {
    const auto [d0, d1] = trimmedWindow(line, qsocol::date, qsocol::dateWidth);
    const auto [t0, t1] = trimmedWindow(line, qsocol::time, qsocol::timeWidth);
    if (d1 - d0 != 8 || t1 - t0 != 5 || line[d0 + 2] != '/' || line[d0 + 5] != '/' ||
        line[t0 + 2] != ':')
        return std::nullopt;
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    if (!twoDigits(line, d0, day) || !twoDigits(line, d0 + 3, month) ||
        !twoDigits(line, d0 + 6, year) || !twoDigits(line, t0, hour) ||
        !twoDigits(line, t0 + 3, minute))
        return std::nullopt;
    year = fullYear(year);
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59)
        return std::nullopt;
    return Stamp{year, month, day, hour, minute};
}

/// UTF-16 units of a line, seen as plain numbers so that they compare with char literals.
struct Utf16View {
    const char16_t *data;
    qsizetype length;
    qsizetype size() const { return length; }
    char16_t operator[](qsizetype i) const { return data[i]; }
};

/// Bytes of a line, unsigned so that no byte of the upper half reads as a negative number.
struct ByteView {
    const uchar *data;
    qsizetype length;
    qsizetype size() const { return length; }
    uchar operator[](qsizetype i) const { return data[i]; }
};

Utf16View viewOf(const QString &line) {
    return {reinterpret_cast<const char16_t *>(line.utf16()), line.size()};
}

std::optional<qint64> numberOf(const std::optional<Stamp> &stamp) {
    if (!stamp)
        return std::nullopt;
    return ((qint64(stamp->year) * 100 + stamp->month) * 100 + stamp->day) * 10000 +
           stamp->hour * 100 + stamp->minute;
}

} // namespace

BuiltLine buildQsoLine(const QsoFields &f) {
    const QString remarks = upperRemarks(f.remarks);
    const FieldRule fields[] = {
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
    for (const FieldRule &rule : fields) {
        if (rule.value->size() > rule.width) {
            built.error = QStringLiteral("Le champ %1 dépasse %2 caractères : le QSO n'est pas "
                                         "enregistré.")
                              .arg(QString::fromUtf8(rule.label))
                              .arg(rule.width);
            return built;
        }
        if (hasControlCharacter(*rule.value)) {
            built.error = QStringLiteral("Le champ %1 contient un caractère de contrôle : le QSO "
                                         "n'est pas enregistré.")
                              .arg(QString::fromUtf8(rule.label));
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
    // Built in one allocation: a 10,000-QSO list is rebuilt after every change of the log.
    char digits[16];
    int count = 0;
    unsigned n = number < 0 ? 0u - unsigned(number) : unsigned(number);
    do {
        digits[count++] = char('0' + n % 10);
        n /= 10;
    } while (n != 0);
    if (number < 0)
        digits[count++] = '-';
    const int width = std::max(count, 4);
    QString item(width + 2 + line.size(), Qt::Uninitialized);
    QChar *out = item.data();
    for (int i = 0; i < width - count; ++i)
        *out++ = QLatin1Char(' ');
    while (count > 0)
        *out++ = QLatin1Char(digits[--count]);
    *out++ = QLatin1Char(' ');
    *out++ = QLatin1Char(' ');
    std::copy(line.cbegin(), line.cend(), out);
    return item;
}

QStringView qsoLineOfItem(QStringView item, QStringView *number) {
    qsizetype at = 0;
    while (at < item.size() && item[at] == u' ')
        ++at;
    const qsizetype digits = at;
    while (at < item.size() && item[at] >= u'0' && item[at] <= u'9')
        ++at;
    if (number)
        *number = item.sliced(digits, at - digits);
    return item.mid(at + 2);
}

void appendQsoListItems(QStringList &items, const QStringList &lines) {
    if (items.size() >= lines.size())
        return;
    if (items.isEmpty())
        items.reserve(lines.size()); // a whole log at once; a grown one grows the list as usual
    for (qsizetype i = items.size(); i < lines.size(); ++i)
        items.append(qsoListItem(int(i + 1), lines.at(i)));
}

std::optional<qint64> qsoOrderingNumber(const QString &line) {
    return numberOf(stampOf(viewOf(line)));
}

std::optional<qint64> qsoOrderingNumber(QByteArrayView line) {
    return numberOf(stampOf(ByteView{reinterpret_cast<const uchar *>(line.data()), line.size()}));
}

} // namespace zep
