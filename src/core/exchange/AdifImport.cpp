#include "core/exchange/AdifImport.h"

#include "core/adif/AdifData.h"
#include "core/aids/FirstNames.h"
#include "core/exchange/AdifExport.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/FieldChecks.h"
#include "core/log/QsoColumns.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace zep::adifimport {

QString statusText(Status status) {
    switch (status) {
    case Status::ToImport:
        return QStringLiteral("à importer");
    case Status::AlreadyInLog:
        return QStringLiteral("déjà dans le log");
    case Status::Duplicate:
        return QStringLiteral("doublon");
    case Status::Ignored:
        break;
    }
    return QStringLiteral("ignoré");
}

namespace {

// An item packed: its numbers, then its texts, each as its length (times two, plus one when
// the text is kept in UTF-16 rather than Latin-1) in 7-bit groups, then its characters.

void packNumber(QByteArray &out, quint64 n) {
    while (n >= 0x80) {
        out += char(0x80 | (n & 0x7F));
        n >>= 7;
    }
    out += char(n);
}

quint64 unpackNumber(const char *&p) {
    quint64 n = 0;
    for (int shift = 0;; shift += 7) {
        const uchar c = uchar(*p++);
        n |= quint64(c & 0x7F) << shift;
        if (!(c & 0x80))
            return n;
    }
}

void packText(QByteArray &out, const QString &text) {
    const bool latin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
    packNumber(out, quint64(text.size()) * 2 + (latin1 ? 0 : 1));
    if (latin1) {
        const qsizetype at = out.size();
        out.resize(at + text.size());
        char *to = out.data() + at;
        for (const QChar c : text)
            *to++ = char(c.unicode());
    } else {
        out.append(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
    }
}

QString unpackText(const char *&p) {
    const quint64 n = unpackNumber(p);
    const qsizetype length = qsizetype(n / 2);
    if (n % 2 == 0) {
        const QString text = QString::fromLatin1(p, length);
        p += length;
        return text;
    }
    QString text(length, Qt::Uninitialized);
    std::memcpy(text.data(), p, size_t(length) * 2);
    p += length * 2;
    return text;
}

} // namespace

void Items::reserve(qsizetype count) {
    starts_.reserve(size_t(count));
    statuses_.reserve(size_t(count));
}

void Items::append(const Item &item) {
    starts_.push_back(packed_.size());
    statuses_.push_back(quint8(item.status));
    packNumber(packed_, quint32(item.record));
    packNumber(packed_, quint32(item.line));
    packNumber(packed_, quint64(item.order));
    // The reason's number in the table (from 1), or 0 and the text itself once the table is
    // full: a file of all different reasons costs no more than without the table.
    int reason = reasonNumbers_.value(item.reason);
    if (reason == 0 && reasons_.size() < 4096) {
        reasons_.append(item.reason);
        reason = int(reasons_.size());
        reasonNumbers_.insert(item.reason, reason);
    }
    packNumber(packed_, quint64(reason));
    if (reason == 0)
        packText(packed_, item.reason);
    packNumber(packed_, quint64(item.notes.size()));
    for (const QString &note : item.notes)
        packText(packed_, note);
    const QsoFields &f = item.fields;
    for (const QString *text : {&f.date, &f.time, &f.call, &f.department, &f.firstName,
                                &f.rstReceived, &f.rstSent, &f.mode, &f.band, &f.remarks})
        packText(packed_, *text);
    packText(packed_, item.qsoLine);
}

Item Items::at(qsizetype i) const {
    Item item;
    const char *p = packed_.constData() + starts_[size_t(i)];
    item.status = Status(statuses_[size_t(i)]);
    item.record = int(quint32(unpackNumber(p)));
    item.line = int(quint32(unpackNumber(p)));
    item.order = qint64(unpackNumber(p));
    const quint64 reason = unpackNumber(p);
    item.reason = reason > 0 ? reasons_.at(qsizetype(reason - 1)) : unpackText(p);
    const quint64 notes = unpackNumber(p);
    item.notes.reserve(qsizetype(notes));
    for (quint64 n = 0; n < notes; ++n)
        item.notes.append(unpackText(p));
    QsoFields &f = item.fields;
    for (QString *text : {&f.date, &f.time, &f.call, &f.department, &f.firstName, &f.rstReceived,
                          &f.rstSent, &f.mode, &f.band, &f.remarks})
        *text = unpackText(p);
    item.qsoLine = unpackText(p);
    return item;
}

int Preview::count(Status status) const {
    int n = 0;
    for (qsizetype i = 0; i < items.size(); ++i)
        n += items.status(i) == status ? 1 : 0;
    return n;
}

bool Preview::imported(const Item &item, bool withDuplicates) {
    return item.status == Status::ToImport || (withDuplicates && item.status == Status::Duplicate);
}

int Preview::importedCount(bool withDuplicates) const {
    return count(Status::ToImport) + (withDuplicates ? count(Status::Duplicate) : 0);
}

namespace {

bool isAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

/// Letters that Unicode does not decompose into a letter and an accent.
QChar nearestLetter(char16_t c) {
    switch (c) {
    case u'Ł':
    case u'Ŀ':
        return QLatin1Char('L');
    case u'ł':
    case u'ŀ':
        return QLatin1Char('l');
    case u'Đ':
    case u'Ɖ':
        return QLatin1Char('D');
    case u'đ':
        return QLatin1Char('d');
    case u'Ħ':
        return QLatin1Char('H');
    case u'ħ':
        return QLatin1Char('h');
    case u'ı':
        return QLatin1Char('i');
    case u'Ŧ':
        return QLatin1Char('T');
    case u'ŧ':
        return QLatin1Char('t');
    case u'ĸ':
        return QLatin1Char('k');
    case u'‐':
    case u'‑':
    case u'‒':
    case u'−':
        return QLatin1Char('-');
    case u'′':
        return QLatin1Char('\'');
    case u'″':
        return QLatin1Char('"');
    default:
        return {};
    }
}

QString decodeBytes(QByteArrayView bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return cp1252::decode(bytes);
}

/// The text with every character the code page cannot hold replaced (see windows1252Text).
QString storable(const QString &text) {
    if (std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; }))
        return text; // printable ASCII, nearly every field of every file
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x20 || c.unicode() == 0x7F ||
            (c.unicode() >= 0x80 && c.unicode() < 0xA0)) {
            out += QLatin1Char(' ');
            continue;
        }
        if (c.unicode() < 0x80 || cp1252::canEncode(QString(c))) {
            out += c;
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // a character beyond the first plane: no near form in the code page
            out += QLatin1Char('?');
            continue;
        }
        if (const QChar near = nearestLetter(c.unicode()); !near.isNull()) {
            out += near;
            continue;
        }
        // "ő" is "o" and a combining accent: the letter is kept, the accent dropped unless
        // the code page has the letter with it.
        QString base;
        for (const QChar d : QString(c).normalized(QString::NormalizationForm_KD))
            if (d.category() != QChar::Mark_NonSpacing && d.category() != QChar::Mark_Enclosing &&
                d.category() != QChar::Mark_SpacingCombining)
                base += d;
        if (!base.isEmpty() && cp1252::canEncode(base))
            out += base;
        else
            out += QLatin1Char('?');
    }
    return out;
}

QString trimmedText(QByteArrayView raw) {
    return windows1252Text(raw).trimmed();
}

using adif::quoted;

/// The part of a field that fits its columns, with a note when something was cut.
QString fitted(const QString &text, int width, const QString &label, QStringList &notes) {
    if (text.size() <= width)
        return text;
    const QString kept = text.left(width).trimmed();
    notes.append(QStringLiteral("%1 : « %2 » coupé en « %3 » (%4 caractères)")
                     .arg(label, quoted(text), kept)
                     .arg(width));
    return kept;
}

/// The text of a field in the code page, with a note when characters had to change.
QString converted(QByteArrayView raw, const QString &label, QStringList &notes) {
    const QString decoded = decodeBytes(raw).trimmed();
    const QString text = storable(decoded).trimmed();
    if (text != decoded)
        notes.append(QStringLiteral("%1 : « %2 » transcrit en « %3 »")
                         .arg(label, quoted(decoded), quoted(text)));
    return text;
}

struct Date {
    QString logText; ///< jj/mm/aa
    int value = 0;   ///< yyyymmdd
};

/// QSO_DATE: YYYYMMDD, a real day of the years the log's two-digit years can name.
std::optional<Date> dateOf(const QString &text, QStringList &reasons) {
    if (text.isEmpty()) {
        reasons.append(QStringLiteral("date absente"));
        return std::nullopt;
    }
    bool digits = text.size() == 8;
    for (const QChar c : text)
        digits = digits && c.isDigit() && c.unicode() < 0x80;
    const QDate d = digits
                        ? QDate(text.left(4).toInt(), text.mid(4, 2).toInt(), text.right(2).toInt())
                        : QDate();
    if (!d.isValid()) {
        reasons.append(QStringLiteral("date « %1 » impossible").arg(quoted(text)));
        return std::nullopt;
    }
    if (d.year() < 1950 || d.year() > 2049) {
        reasons.append(
            QStringLiteral("date « %1 » hors des années 1950 à 2049 que le log peut écrire")
                .arg(text));
        return std::nullopt;
    }
    const int year = d.year() % 100;
    const QChar shown[] = {QLatin1Char(char('0' + d.day() / 10)),
                           QLatin1Char(char('0' + d.day() % 10)),
                           QLatin1Char('/'),
                           QLatin1Char(char('0' + d.month() / 10)),
                           QLatin1Char(char('0' + d.month() % 10)),
                           QLatin1Char('/'),
                           QLatin1Char(char('0' + year / 10)),
                           QLatin1Char(char('0' + year % 10))};
    return Date{QString(shown, 8), d.year() * 10000 + d.month() * 100 + d.day()};
}

/// TIME_ON: HHMM or HHMMSS; the log keeps the minute.
std::optional<int> timeOf(const QString &text, QStringList &reasons) {
    if (text.isEmpty()) {
        reasons.append(QStringLiteral("heure absente"));
        return std::nullopt;
    }
    bool digits = text.size() == 4 || text.size() == 6;
    for (const QChar c : text)
        digits = digits && c.isDigit() && c.unicode() < 0x80;
    const int hour = digits ? text.left(2).toInt() : 99;
    const int minute = digits ? text.mid(2, 2).toInt() : 99;
    const int second = digits && text.size() == 6 ? text.right(2).toInt() : 0;
    if (hour > 23 || minute > 59 || second > 59) {
        reasons.append(QStringLiteral("heure « %1 » impossible").arg(quoted(text)));
        return std::nullopt;
    }
    return hour * 100 + minute;
}

/// What the records are mapped to: the band box's rows by their ADIF band ("40m" -> "7"),
/// and the mode box's rows.
struct Rows {
    QHash<QByteArray, QString> bandRows;
    QStringList modes;

    explicit Rows(const Target &target) : modes(target.modes) {
        for (const QString &row : target.bands)
            if (const auto band = adif::band((row + QStringLiteral(" Mhz")).toLatin1()))
                bandRows.insert(band->toByteArray().toLower(), row);
    }
};

/// BAND, or FREQ when BAND is absent (or unknown to ADIF), to a row of the band box.
QString bandOf(const adif::Record &r, const Rows &target, QStringList &reasons, QString &shown) {
    const QString band = trimmedText(r.value("BAND"));
    const QString freq = trimmedText(r.value("FREQ"));
    QByteArray adifBand;
    if (!band.isEmpty() &&
        (target.bandRows.contains(band.toLatin1().toLower()) || adif::bandLimits(band.toLatin1())))
        adifBand = band.toLatin1().toLower();
    else if (!freq.isEmpty()) {
        bool ok = false;
        const double mhz = QString(freq).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        const std::optional<QByteArrayView> found = ok ? adif::bandOfFrequency(mhz) : std::nullopt;
        if (!found) {
            shown = freq;
            reasons.append(
                ok ? QStringLiteral("fréquence %1 MHz hors des bandes ADIF").arg(quoted(freq))
                   : QStringLiteral("fréquence « %1 » illisible").arg(quoted(freq)));
            return {};
        }
        adifBand = found->toByteArray();
    } else if (!band.isEmpty()) {
        shown = band;
        reasons.append(QStringLiteral("bande « %1 » inconnue").arg(quoted(band)));
        return {};
    } else {
        reasons.append(QStringLiteral("bande et fréquence absentes"));
        return {};
    }
    shown = QString::fromLatin1(adifBand);
    const QString row = target.bandRows.value(adifBand);
    if (row.isEmpty())
        reasons.append(QStringLiteral("bande %1 absente de la liste des bandes")
                           .arg(QString::fromLatin1(adifBand)));
    return row;
}

/// A mode name the mode box takes as typed: letters and digits filling at most its four
/// columns, as ADIF's own mode names are written ("FM", "FT8", "C4FM").
bool isTypedMode(const QString &name) {
    return !name.isEmpty() && name.size() <= qsocol::modeWidth &&
           std::all_of(name.begin(), name.end(), [](QChar c) {
               return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                      (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
           });
}

/// MODE and SUBMODE back to the mode box: the mode itself when the box has it, else the
/// mode ADIF gives the submode (SSB for USB and LSB, even written as MODE by old programs),
/// else the mode as it could be typed in the box.
QString modeOf(const adif::Record &r, const Rows &target, QStringList &reasons, QString &shown) {
    const QString mode = trimmedText(r.value("MODE")).toUpper();
    const QString submode = trimmedText(r.value("SUBMODE")).toUpper();
    if (mode.isEmpty() && submode.isEmpty()) {
        reasons.append(QStringLiteral("mode absent"));
        return {};
    }
    shown = submode.isEmpty() ? mode : mode + QLatin1Char('/') + submode;
    if (target.modes.contains(mode))
        return mode;
    QStringList candidates;
    for (const QString &name : {mode, submode}) {
        if (name.isEmpty())
            continue;
        candidates.append(name);
        if (const auto parent = adif::modeOfSubmode(name.toLatin1()))
            candidates.append(QString::fromLatin1(parent->data(), parent->size()));
    }
    for (const QString &c : candidates)
        if (target.modes.contains(c))
            return c;
    // Any other mode is kept as the operator would type it in the mode box, which takes up to
    // four characters: the submode when it fits ("FT4"), else the mode ("FM", "FT8", "PSK").
    for (const QString &name : {submode, mode})
        if (isTypedMode(name))
            return name;
    reasons.append(QStringLiteral("mode %1 : le log n'en garde que %2 lettres ou chiffres")
                       .arg(quoted(shown))
                       .arg(qsocol::modeWidth));
    return {};
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// The French and Corsican stations are those whose department the log keeps: by the DXCC
/// entity when the file gives it, else by the call sign's prefix.
bool departmentKept(const adif::Record &r, const QString &call) {
    bool ok = false;
    const int dxcc = trimmedText(r.value("DXCC")).toInt(&ok);
    if (ok)
        return dxcc == adif::dxccFrance || dxcc == adif::dxccCorsica;
    return callHasDepartment(call);
}

/// A department as the department field takes it: 00 to 95, 2A or 2B.
bool isDepartment(const QString &d) {
    if (d.size() != 2 || !isDigit(d.at(0)))
        return false;
    if (isDigit(d.at(1)))
        return d.toInt() <= 95;
    return d == QLatin1String("2A") || d == QLatin1String("2B");
}

bool isCallCharacter(QChar c) {
    return c.unicode() > 0x20 && c.unicode() < 0x7F && c != QLatin1Char('<') &&
           c != QLatin1Char('>');
}

QStringView field(QStringView line, int first, int width) {
    return line.mid(first - 1, width).trimmed();
}

/// The call sign as the log takes it (`f.call`, storable); why it cannot be taken, if so.
QString readCall(const adif::Record &r, QsoFields &f, QStringList &reasons) {
    const QString call = decodeBytes(r.value("CALL")).trimmed().toUpper();
    f.call = storable(call);
    if (call.isEmpty())
        reasons.append(QStringLiteral("pas d'indicatif"));
    else if (call.size() > qsocol::callWidth)
        reasons.append(QStringLiteral("indicatif de plus de %1 caractères").arg(qsocol::callWidth));
    else if (!std::all_of(call.cbegin(), call.cend(), isCallCharacter))
        reasons.append(
            QStringLiteral("indicatif « %1 » avec un caractère non admis").arg(quoted(f.call)));
    return call;
}

/// The QSO's date and time in the log's form; yyyymmddhhmm, or nothing (and the reasons) when
/// either cannot be read.
std::optional<qint64> readWhen(const adif::Record &r, QsoFields &f, QStringList &reasons) {
    const QString dateText = trimmedText(r.value("QSO_DATE"));
    const QString timeText = trimmedText(r.value("TIME_ON"));
    f.date = dateText;
    f.time = timeText;
    const std::optional<Date> date = dateOf(dateText, reasons);
    const std::optional<int> time = timeOf(timeText, reasons);
    if (date)
        f.date = date->logText;
    if (time)
        f.time = QStringLiteral("%1:%2")
                     .arg(*time / 100, 2, 10, QLatin1Char('0'))
                     .arg(*time % 100, 2, 10, QLatin1Char('0'));
    if (!date || !time)
        return std::nullopt;
    return date->value * qint64(10000) + *time;
}

/// The fields the log takes as they come, each converted and fitted to its columns (`notes`
/// say what changed); the department only for a French or Corsican station.
void readOptionalFields(const adif::Record &r, const QString &call, QsoFields &f,
                        QStringList &notes) {
    f.rstSent = fitted(converted(r.value("RST_SENT"), QStringLiteral("report envoyé"), notes),
                       qsocol::rstWidth, QStringLiteral("report envoyé"), notes);
    f.rstReceived = fitted(converted(r.value("RST_RCVD"), QStringLiteral("report reçu"), notes),
                           qsocol::rstWidth, QStringLiteral("report reçu"), notes);
    f.firstName = fitted(converted(r.value("NAME"), QStringLiteral("prénom"), notes),
                         qsocol::firstNameWidth, QStringLiteral("prénom"), notes);
    const QString remarks = converted(r.value("COMMENT"), QStringLiteral("observations"), notes);
    f.remarks = fitted(remarks, qsocol::remarksWidth, QStringLiteral("observations"), notes);

    const QString state = trimmedText(r.value("STATE")).toUpper();
    if (state.isEmpty() || !departmentKept(r, call))
        return;
    if (isDepartment(state))
        f.department = state;
    else
        notes.append(QStringLiteral("département « %1 » non repris : 00 à 95, 2A ou 2B seulement")
                         .arg(quoted(state)));
}

Item mapRecord(const adif::Record &r, const Rows &target) {
    Item item;
    item.record = r.number;
    item.line = r.line;
    QStringList reasons;
    QsoFields &f = item.fields;

    const QString call = readCall(r, f, reasons);
    const std::optional<qint64> when = readWhen(r, f, reasons);
    QString bandShown, modeShown;
    const QString band = bandOf(r, target, reasons, bandShown);
    const QString mode = modeOf(r, target, reasons, modeShown);
    f.band = band.isEmpty() ? bandShown : band;
    f.mode = mode.isEmpty() ? modeShown : mode;

    if (!r.refused.isEmpty())
        reasons.prepend(r.refused);
    if (!reasons.isEmpty()) {
        item.status = Status::Ignored;
        item.reason = reasons.join(QStringLiteral(" ; "));
        // What the preview shows of a record it does not take: its beginning.
        for (QString *shown : {&f.call, &f.date, &f.time, &f.band, &f.mode})
            *shown = quoted(*shown);
        return item;
    }

    readOptionalFields(r, call, f, item.notes);
    const BuiltLine built = buildQsoLine(f);
    if (!built.ok) {
        // Every field was fitted to its columns and made storable: only a change of the
        // line's layout could bring this, and the record is then kept out, not cut wrongly.
        item.status = Status::Ignored;
        item.reason = built.error;
        return item;
    }
    item.qsoLine = built.line;
    // The remarks as the line holds them, in capitals.
    item.fields.remarks = built.line.mid(qsocol::remarks - 1, qsocol::remarksWidth).trimmed();
    item.order = *when;
    item.status = Status::ToImport;
    return item;
}

} // namespace

QString windows1252Text(QByteArrayView bytes) {
    return storable(decodeBytes(bytes));
}

namespace {

/// Text appended to a key: ASCII as it is (nearly every call, band and mode), anything else
/// in UTF-8.
void appendKeyText(QByteArray &key, QStringView text) {
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (const QChar c : text)
            key += char(c.unicode());
    } else {
        key += text.toUtf8();
    }
}

/// Identity of a QSO for the duplicate checks, on the trimmed fields as the log holds them.
QByteArray duplicateKey(QStringView call, QStringView band, QStringView mode) {
    QByteArray key;
    key.reserve(call.size() + band.size() + mode.size() + 2);
    appendKeyText(key, call);
    key += '\x1F';
    appendKeyText(key, band);
    key += '\x1F';
    appendKeyText(key, mode);
    return key;
}

QByteArray sameQsoKey(const QByteArray &dupKey, QStringView date, QStringView time) {
    QByteArray key;
    key.reserve(dupKey.size() + date.size() + time.size() + 2);
    key += dupKey;
    key += '\x1F';
    appendKeyText(key, date);
    key += '\x1F';
    appendKeyText(key, time);
    return key;
}

/// The preview built one record at a time (see previewImport). What it remembers of each QSO
/// for the duplicate checks is where to find it again: the index of its item, or the place of
/// its line in the log.
class PreviewBuilder {
public:
    PreviewBuilder(QByteArrayView logBytes, const Target &target, qsizetype records)
        : rows_(target) {
        preview_.logBytes = logBytes.toByteArray();
        // The QSOs of the log: the first of each call, band and mode (what the duplicate
        // question names), and every call, band, mode, date and time.
        const qsizetype logLines = std::count(logBytes.begin(), logBytes.end(), '\n') + 1;
        firstOf_.reserve(logLines + records);
        sameQso_.reserve(logLines + records);
        preview_.items.reserve(records);
        const QByteArrayView kept = preview_.logBytes;
        rawfile::forEachLine(kept, [&](QByteArrayView bytes) {
            if (isBlankLine(bytes))
                return;
            const QString line = cp1252::decode(bytes);
            const QByteArray key = duplicateKey(field(line, qsocol::call, qsocol::callWidth),
                                                field(line, qsocol::band, qsocol::bandWidth),
                                                field(line, qsocol::mode, qsocol::modeWidth));
            const qint64 place = -1 - qint64(bytes.data() - kept.data());
            if (!firstOf_.contains(key))
                firstOf_.insert(key, place);
            sameQso_.insert(sameQsoKey(key, field(line, qsocol::date, qsocol::dateWidth),
                                       field(line, qsocol::time, qsocol::timeWidth)),
                            0);
        });
    }

    void fileNote(const adif::ReaderNote &n) {
        preview_.fileNotes.append(
            n.line > 0 ? QStringLiteral("ligne %1 : %2").arg(n.line).arg(n.text) : n.text);
    }

    void add(const adif::Record &r, const QStringList &readerNotes) {
        Item item = mapRecord(r, rows_);
        if (!readerNotes.isEmpty())
            item.notes = readerNotes + item.notes;
        if (item.status == Status::ToImport) {
            const QByteArray key =
                duplicateKey(item.fields.call, item.fields.band, item.fields.mode);
            const QByteArray same = sameQsoKey(key, item.fields.date, item.fields.time);
            if (const auto s = sameQso_.constFind(same); s != sameQso_.constEnd()) {
                item.status = Status::AlreadyInLog;
                item.reason = *s == 0 ? QStringLiteral("même QSO dans le log")
                                      : QStringLiteral("même QSO que l'enregistrement %1").arg(*s);
            } else if (const auto d = firstOf_.constFind(key); d != firstOf_.constEnd()) {
                item.status = Status::Duplicate;
                QString when;
                if (*d < 0) {
                    const QString line = logLineAt(-1 - *d);
                    when =
                        QStringLiteral("%1 à %2").arg(field(line, qsocol::date, qsocol::dateWidth),
                                                      field(line, qsocol::time, qsocol::timeWidth));
                } else {
                    const Item first = preview_.items.at(*d);
                    when = QStringLiteral("%1 à %2 (enregistrement %3)")
                               .arg(first.fields.date, first.fields.time)
                               .arg(first.record);
                }
                item.reason = QStringLiteral("déjà contacté le %1 sur %2 en %3")
                                  .arg(when, item.fields.band, item.fields.mode);
                sameQso_.insert(same, r.number);
            } else {
                firstOf_.insert(key, preview_.items.size());
                sameQso_.insert(same, r.number);
            }
        }
        preview_.items.append(item);
    }

    Preview take() { return std::move(preview_); }

private:
    /// The line of the log starting at `offset`, decoded.
    QString logLineAt(qint64 offset) const {
        const QByteArrayView bytes = preview_.logBytes;
        qsizetype end = bytes.indexOf('\n', qsizetype(offset));
        if (end < 0)
            end = bytes.size();
        if (end > offset && bytes.at(end - 1) == '\r')
            --end;
        return cp1252::decode(bytes.sliced(qsizetype(offset), end - qsizetype(offset)));
    }

    const Rows rows_;
    Preview preview_;
    /// -> the index of the item, or -1 - the offset of the log's line
    QHash<QByteArray, qint64> firstOf_;
    QHash<QByteArray, int> sameQso_; ///< -> 0 for a line of the log, else the record's number
};

} // namespace

Preview previewImport(const adif::ReadResult &read, QByteArrayView logBytes, const Target &target) {
    PreviewBuilder builder(logBytes, target, read.records.size());
    QHash<int, QStringList> notesOf;
    for (const adif::ReaderNote &n : read.notes) {
        if (n.record > 0)
            notesOf[n.record].append(n.text);
        else
            builder.fileNote(n);
    }
    for (const adif::Record &r : read.records)
        builder.add(r, notesOf.value(r.number));
    return builder.take();
}

QString sizeRefusal(const QString &fileName, qint64 size) {
    if (size <= adif::maxFileBytes)
        return {};
    return QStringLiteral("Le fichier \"%1\" fait %2 Mo : l'import ADIF prend des fichiers de "
                          "%3 Mo au plus. Rien n'est importé.")
        .arg(fileName)
        .arg((size + 1024 * 1024 - 1) / (1024 * 1024))
        .arg(adif::maxFileBytes / (1024 * 1024));
}

FilePreview previewFile(QByteArrayView fileBytes, const QString &fileName, QByteArrayView logBytes,
                        const Target &target, PreviewProgress *progress) {
    FilePreview out;
    if (QString refused = sizeRefusal(fileName, fileBytes.size()); !refused.isEmpty()) {
        out.refusal = std::move(refused);
        return out;
    }
    const qsizetype records = adif::countRecordsAtMost(fileBytes);
    if (records > adif::maxRecords) {
        out.refusal =
            QStringLiteral("Le fichier \"%1\" compte plus de %2 enregistrements : "
                           "l'import ADIF en prend %2 au plus. Rien n'est importé.")
                .arg(fileName, QStringLiteral("%1 %2")
                                   .arg(adif::maxRecords / 1000)
                                   .arg(adif::maxRecords % 1000, 3, 10, QLatin1Char('0')));
        return out;
    }
    if (progress)
        progress->total = int(records);
    PreviewBuilder builder(logBytes, target, records);
    adif::RecordSink sink{[&](adif::Record &&r, QList<adif::ReaderNote> &&notes) {
                              QStringList texts;
                              for (const adif::ReaderNote &n : notes)
                                  texts.append(n.text);
                              builder.add(r, texts);
                              if (progress)
                                  progress->done.fetch_add(1, std::memory_order_relaxed);
                          },
                          [&](adif::ReaderNote &&n) { builder.fileNote(n); },
                          {}};
    if (progress)
        sink.stop = [progress] { return progress->cancel.load(std::memory_order_relaxed); };
    const bool broken = adif::streamAdif(fileBytes, sink);
    if (progress && progress->cancel) {
        out.cancelled = true;
        return out;
    }
    out.preview = builder.take();
    if (broken)
        out.refusal = QStringLiteral("Le fichier \"%1\" n'est pas un fichier ADIF : ses balises "
                                     "sont abîmées (des « < » ou des <EOR> manquent). Rien "
                                     "n'est importé.")
                          .arg(fileName);
    else if (out.preview.items.isEmpty())
        out.refusal = QStringLiteral("Le fichier \"%1\" ne contient aucun QSO ADIF : rien "
                                     "n'est importé.")
                          .arg(fileName);
    if (!out.refusal.isEmpty())
        out.preview = Preview();
    return out;
}

FilePreview previewFiles(const QString &sourcePath, const QString &logPath, const Target &target,
                         PreviewProgress *progress) {
    FilePreview out;
    const QFileInfo source(sourcePath);
    // The bound is checked before the file is read.
    if (QString tooBig = sizeRefusal(source.fileName(), source.size()); !tooBig.isEmpty()) {
        out.refusal = std::move(tooBig);
        return out;
    }
    FileBytes file = readFileBytes(sourcePath);
    if (!file.status) {
        out.refusal = file.status.message;
        return out;
    }
    const FileBytes log = readFileBytes(logPath);
    if (!log.status && !log.missing) {
        out.refusal = log.status.message;
        return out;
    }
    return previewFile(file.bytes, source.fileName(), log.bytes, target, progress);
}

QByteArray mergedLog(const Preview &preview, bool withDuplicates) {
    // Entered latest first, so that QSOs of one minute keep the file's order (each goes before
    // the QSOs of its minute already in).
    QList<QByteArray> lines;
    for (qsizetype i = preview.items.size() - 1; i >= 0; --i) {
        const Status status = preview.items.status(i);
        if (status != Status::ToImport && !(withDuplicates && status == Status::Duplicate))
            continue;
        QByteArray bytes;
        cp1252::encode(preview.items.at(i).qsoLine, bytes); // made storable when mapped
        lines.append(bytes);
    }
    return rawfile::insertedChronologically(preview.logBytes, lines);
}

QString reportFileName(const QString &reference, const QDateTime &when) {
    return reference.trimmed() + QStringLiteral("_import_") +
           when.toString(QStringLiteral("yyyyMMdd_HHmm")) + QStringLiteral(".txt");
}

QByteArray report(const Preview &preview, bool withDuplicates, const QString &sourceFile,
                  const QString &reference, const QDateTime &when) {
    QStringList out;
    const int imported = preview.importedCount(withDuplicates);
    const int read = int(preview.items.size());
    out << QStringLiteral("Import ADIF dans le log %1 le %2")
               .arg(reference.trimmed(), when.toString(QStringLiteral("dd/MM/yyyy à HH:mm")))
        << QStringLiteral("Fichier : %1").arg(sourceFile)
        << QStringLiteral("Enregistrements lus : %1").arg(read)
        << QStringLiteral("QSO importés : %1").arg(imported)
        << QStringLiteral("Non importés : %1 (déjà dans le log : %2, doublons : %3, ignorés : %4)")
               .arg(read - imported)
               .arg(preview.count(Status::AlreadyInLog))
               .arg(withDuplicates ? 0 : preview.count(Status::Duplicate))
               .arg(preview.count(Status::Ignored));
    if (!preview.fileNotes.isEmpty()) {
        out << QString() << QStringLiteral("Remarques sur le fichier :");
        for (const QString &n : preview.fileNotes)
            out << QStringLiteral("  ") + n;
    }
    out << QString() << QStringLiteral("Enregistrements non importés :");
    for (const Item &item : preview.items) {
        if (Preview::imported(item, withDuplicates))
            continue;
        const QsoFields &f = item.fields;
        QString text =
            QStringLiteral("  n° %1 (ligne %2) %3 %4 %5 %6 %7 : %8")
                .arg(item.record)
                .arg(item.line)
                .arg(f.call.isEmpty() ? QStringLiteral("-") : f.call,
                     f.date.isEmpty() ? QStringLiteral("-") : f.date,
                     f.time.isEmpty() ? QStringLiteral("-") : f.time,
                     f.band.isEmpty() ? QStringLiteral("-") : f.band,
                     f.mode.isEmpty() ? QStringLiteral("-") : f.mode, statusText(item.status));
        if (!item.reason.isEmpty())
            text += QStringLiteral(", ") + item.reason;
        out << text;
    }
    QByteArray bytes;
    for (const QString &line : out) {
        QByteArray encoded;
        cp1252::encode(storable(line), encoded);
        bytes += encoded;
        bytes += "\r\n";
    }
    return bytes;
}

Outcome applyImport(const Preview &preview, bool withDuplicates, const Files &files,
                    const QString &sourceFile, const QString &reference, const QDateTime &when) {
    Outcome outcome;
    const rawfile::Bytes now = rawfile::read(files.log);
    if (!now.status && !now.missing) {
        outcome.messages.append(now.status.message);
        return outcome;
    }
    if (now.bytes != preview.logBytes) {
        outcome.messages.append(
            QStringLiteral("Le log \"%1\" a changé depuis l'aperçu de l'import : rien n'est "
                           "importé. Recommencez l'import.")
                .arg(reference.trimmed()));
        return outcome;
    }

    outcome.count = preview.importedCount(withDuplicates);
    if (outcome.count > 0) {
        // The log first: the QSOs are what must not be lost.
        if (const IoResult written = writeBytesFile(files.log, mergedLog(preview, withDuplicates),
                                                    QStringLiteral("Temporaire6.txt"));
            !written) {
            outcome.count = 0;
            outcome.messages.append(written.message);
            return outcome;
        }
    }
    outcome.imported = true;

    if (outcome.count > 0 && !files.secondLog.isEmpty())
        if (const IoResult copied = ActivityLog(files.log).copyTo(files.secondLog); !copied)
            outcome.messages.append(copied.message);

    // The memory learns the QSOs in the order they were entered into the log.
    struct Entered {
        qint64 order;
        FirstNameMemory::Entry entry;
    };
    std::vector<Entered> entered;
    for (const Item &item : preview.items)
        if (Preview::imported(item, withDuplicates))
            entered.push_back(
                {item.order, {item.fields.call, item.fields.department, item.fields.firstName}});
    std::stable_sort(entered.begin(), entered.end(),
                     [](const Entered &a, const Entered &b) { return a.order < b.order; });
    QList<FirstNameMemory::Entry> memory;
    memory.reserve(qsizetype(entered.size()));
    for (const Entered &e : entered)
        memory.append(e.entry);
    if (const IoResult remembered = FirstNameMemory(files.firstNames).rememberAll(memory);
        !remembered)
        outcome.messages.append(
            QStringLiteral("Les QSO sont importés, mais les prénoms ne sont pas mémorisés.\n%1")
                .arg(remembered.message));

    if (const IoResult saved = writeBytesFile(
            files.report, report(preview, withDuplicates, sourceFile, reference, when));
        !saved)
        outcome.messages.append(saved.message);
    return outcome;
}

} // namespace zep::adifimport
