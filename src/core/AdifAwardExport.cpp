#include "core/AdifAwardExport.h"

#include "core/ActivityLog.h"
#include "core/AdifData.h"
#include "core/AdifExport.h"
#include "core/QsoColumns.h"
#include "core/QsoLine.h"
#include "core/Settings.h"
#include "core/TextFile.h"

#include <QHash>
#include <QStringView>

#include <algorithm>

namespace zep::adif3 {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isAlnum(char c) {
    return isDigit(c) || isUpperLetter(c) || (c >= 'a' && c <= 'z');
}

/// Text typed by the operator in ASCII: the code page's letters lose their accents, a
/// character it cannot hold becomes "?", blanks around are dropped.
QByteArray asciiOf(const QString &text) {
    QByteArray bytes;
    if (!cp1252::encode(text, bytes))
        bytes = text.toLatin1();
    return adif::toAscii(bytes).trimmed();
}

/// One column of a QSO line in ASCII, trimmed.
QByteArray asciiColumn(QByteArrayView line, int first, int width) {
    return adif::toAscii(trimBlanks(qsoColumn(line, first, width))).trimmed();
}

void putNumber(QByteArray &out, qsizetype n) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (count > 0)
        out.append(digits[--count]);
}

/// "<NAME:length>value".
void putField(QByteArray &out, QByteArrayView name, QByteArrayView value) {
    out.append('<');
    out.append(name);
    out.append(':');
    putNumber(out, value.size());
    out.append('>');
    out.append(value);
}

void putFieldIfAny(QByteArray &out, QByteArrayView name, QByteArrayView value) {
    if (!value.isEmpty())
        putField(out, name, value);
}

/// MHz with no trailing zero: "7.074", "144.3", "14".
QByteArray frequencyText(double mhz) {
    QByteArray text = QByteArray::number(mhz, 'f', 6);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

/// The MODE and SUBMODE of the modes met so far: a log holds a handful of modes.
class Modes {
public:
    const adif::ModeFields &of(const QByteArray &typed) {
        auto it = known_.constFind(typed);
        if (it == known_.constEnd())
            it = known_.insert(typed, adif::modeFields(typed));
        return *it;
    }

private:
    QHash<QByteArray, adif::ModeFields> known_;
};

/// The DXCC entity and its name for the calls met so far, and the subdivisions checked.
class Places {
public:
    explicit Places(const EntityOf &entityOf) : entityOf_(entityOf) {}

    int entity(QByteArrayView call) { return entityOf_ ? entityOf_(call) : 0; }
    QByteArrayView name(int dxcc) { return adif::entityName(dxcc); }
    /// A department has two characters: with the entity they make the key.
    bool isSubdivision(const QByteArray &code, int dxcc) {
        if (code.size() > 2)
            return adif::isSubdivision(code, dxcc);
        const quint64 key = (quint64(quint32(dxcc)) << 16) | (quint64(uchar(code.at(0))) << 8) |
                            quint64(code.size() > 1 ? uchar(code.at(1)) : 0);
        auto it = subdivisions_.constFind(key);
        if (it == subdivisions_.constEnd())
            it = subdivisions_.insert(key, adif::isSubdivision(code, dxcc));
        return *it;
    }

private:
    const EntityOf &entityOf_;
    QHash<quint64, bool> subdivisions_;
};

/// The fields that every record of the file carries alike.
QByteArray stationFields(const Station &station) {
    QByteArray out;
    putFieldIfAny(out, "STATION_CALLSIGN", asciiOf(station.stationCall).toUpper());
    putFieldIfAny(out, "OPERATOR", asciiOf(station.operatorCall).toUpper());
    putFieldIfAny(out, "MY_SIG", asciiOf(station.programme));
    putFieldIfAny(out, "MY_SIG_INFO", asciiOf(station.reference));
    if (const std::optional<QString> grid = gridSquare(station.gridSquare))
        putField(out, "MY_GRIDSQUARE", grid->toLatin1());
    return out;
}

/// The separator between the letters and the number of a reference ("DFCF 76054": " "), empty
/// when there is none; and the number itself.
struct ReferenceParts {
    QByteArray separator, number;
};
ReferenceParts partsOf(QByteArrayView reference, qsizetype letters) {
    ReferenceParts parts;
    qsizetype at = letters;
    if (at < reference.size() && (reference[at] == ' ' || reference[at] == '-'))
        parts.separator = QByteArray(1, reference[at++]);
    parts.number = reference.sliced(std::min(at, reference.size())).toByteArray();
    return parts;
}

} // namespace

QString defaultHeaderText(const QString &call, const QString &reference) {
    return QStringLiteral("Log de %1 pour %2, exporte par ZEP_Rozadovev")
        .arg(call.trimmed(), reference.trimmed());
}

QByteArray header(const Station &station) {
    QByteArray text = asciiOf(station.headerText);
    if (text.isEmpty())
        text = asciiOf(defaultHeaderText(station.stationCall, station.reference));
    // A reader takes "<" for the start of a field, even in the free text.
    text.replace('<', '(').replace('>', ')');
    QByteArray out = text + "\r\n";
    putField(out, "ADIF_VER", adif::dataVersion());
    out.append("\r\n");
    putField(out, "PROGRAMID", "ZEP_Rozadovev");
    out.append("\r\n");
    putField(out, "PROGRAMVERSION", revisionText.trimmed().toLatin1());
    out.append("\r\n");
    putField(out, "CREATED_TIMESTAMP",
             station.created.toUTC().toString(QStringLiteral("yyyyMMdd HHmmss")).toLatin1());
    out.append("\r\n<EOH>\r\n");
    return out;
}

Document document(const Station &station, const Contents &contents, QByteArrayView log,
                  const EntityOf &entityOf, const FrequencyOf &frequencyOf) {
    namespace col = qsocol;
    Document doc;
    const QByteArray stationPart = stationFields(station);
    const QByteArray own = asciiOf(station.reference).toUpper();
    const QByteArray letters = programmeOf(station.reference).toLatin1();
    const QByteArray sig = asciiOf(station.programme);
    Modes modes;
    Places places(entityOf);

    doc.bytes = header(station);
    doc.bytes.reserve(doc.bytes.size() + (log.size() / (col::lineLength + 2) + 1) * 420);
    QByteArray &out = doc.bytes;
    int lineNumber = 0;
    rawfile::forEachLine(log, [&](QByteArrayView whole) {
        ++lineNumber;
        if (isBlankLine(whole))
            return;
        const QByteArrayView line = whole.first(std::min<qsizetype>(whole.size(), col::lineLength));
        const QByteArray call = asciiColumn(line, col::call, col::callWidth);
        const std::optional<qint64> when = qsoOrderingNumber(line);
        const auto band = adif::band(trimBlanks(qsoColumn(line, col::band, col::bandWidth + 4)));
        if (call.isEmpty() || !when || !band) {
            doc.skippedLines.append(lineNumber);
            return;
        }
        // yyyymmddhhmm
        const QByteArray stamp = QByteArray::number(*when);
        putField(out, "CALL", call);
        putField(out, "QSO_DATE", QByteArrayView(stamp).first(8));
        putField(out, "TIME_ON", QByteArrayView(stamp).sliced(8, 4));
        putField(out, "BAND", *band);
        if (frequencyOf) {
            const std::optional<double> mhz = frequencyOf(whole);
            const auto limits = adif::bandLimits(*band);
            if (mhz && limits && *mhz >= limits->lowerMHz && *mhz <= limits->upperMHz)
                putField(out, "FREQ", frequencyText(*mhz));
        }
        const QByteArray typedMode = asciiColumn(line, col::mode, col::modeWidth);
        const adif::ModeFields &mode = modes.of(typedMode);
        putField(out, "MODE", mode.known ? mode.mode : typedMode);
        putFieldIfAny(out, "SUBMODE", mode.submode);
        if (!mode.known)
            ++doc.unknownModes;
        putFieldIfAny(out, "RST_SENT", asciiColumn(line, col::rstSent, col::rstWidth));
        putFieldIfAny(out, "RST_RCVD", asciiColumn(line, col::rstReceived, col::rstWidth));
        out.append(stationPart);
        if (contents.partnerReferences) {
            const QByteArrayView remarks = qsoColumn(line, col::remarks, col::remarksWidth);
            if (const auto partner = partnerReference(remarks, letters, own)) {
                putFieldIfAny(out, "SIG", sig);
                putField(out, "SIG_INFO", *partner);
            }
        }
        if (contents.names)
            putFieldIfAny(out, "NAME", asciiColumn(line, col::firstName, col::firstNameWidth));
        if (contents.comments)
            putFieldIfAny(out, "COMMENT", asciiColumn(line, col::remarks, col::remarksWidth));
        if (contents.countries) {
            const int dxcc = places.entity(call);
            const QByteArrayView country = dxcc > 0 ? places.name(dxcc) : QByteArrayView();
            if (!country.isEmpty()) {
                putField(out, "DXCC", QByteArray::number(dxcc));
                putField(out, "COUNTRY", country);
                const QByteArray department =
                    asciiColumn(line, col::department, col::departmentWidth).toUpper();
                if (!department.isEmpty() && places.isSubdivision(department, dxcc))
                    putField(out, "STATE", department);
            }
        }
        out.append("<EOR>\r\n");
        ++doc.records;
    });
    return doc;
}

QString programmeOf(const QString &reference) {
    const QString trimmed = reference.trimmed().toUpper();
    qsizetype n = 0;
    while (n < trimmed.size() && trimmed.at(n) >= QLatin1Char('A') &&
           trimmed.at(n) <= QLatin1Char('Z'))
        ++n;
    return trimmed.left(n);
}

std::optional<QByteArray> partnerReference(QByteArrayView remarks, QByteArrayView letters,
                                           QByteArrayView ownReference) {
    if (letters.isEmpty())
        return std::nullopt;
    const QByteArray text = remarks.toByteArray().toUpper();
    const ReferenceParts own = partsOf(ownReference, letters.size());
    qsizetype from = 0;
    while (true) {
        const qsizetype start = text.indexOf(letters, from);
        if (start < 0)
            return std::nullopt;
        from = start + 1;
        if (start > 0 && isAlnum(text.at(start - 1)))
            continue; // inside a longer word
        qsizetype at = start + letters.size();
        if (at + 1 < text.size() && (text.at(at) == ' ' || text.at(at) == '-') &&
            isDigit(text.at(at + 1)))
            ++at;
        if (at >= text.size() || !isDigit(text.at(at)))
            continue; // the letters alone, or another word
        qsizetype end = at;
        while (end < text.size() &&
               (isDigit(text.at(end)) || isUpperLetter(text.at(end)) || text.at(end) == '-'))
            ++end;
        while (text.at(end - 1) == '-')
            --end;
        const QByteArray number = text.sliced(at, end - at);
        if (number == own.number)
            continue; // our own reference, noted in the remarks
        return letters.toByteArray() + own.separator + number;
    }
}

std::optional<QString> gridSquare(QStringView typed) {
    QString grid;
    for (const QChar c : typed)
        if (!c.isSpace())
            grid.append(c);
    if (grid.isEmpty() || grid.size() % 2 != 0 || grid.size() > 8)
        return std::nullopt;
    for (qsizetype i = 0; i < grid.size(); ++i) {
        const char c = grid.at(i).toUpper().toLatin1();
        bool ok = false;
        switch (i / 2) {
        case 0: // field, A to R
            ok = c >= 'A' && c <= 'R';
            grid[i] = QLatin1Char(c);
            break;
        case 2: // subsquare, a to x
            ok = c >= 'A' && c <= 'X';
            grid[i] = QLatin1Char(char(c - 'A' + 'a'));
            break;
        default: // square and extended square, digits
            ok = isDigit(c);
        }
        if (!ok)
            return std::nullopt;
    }
    return grid;
}

QDate activationDay(const QString &date) {
    const QStringList parts = date.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return {};
    bool okDay = false, okMonth = false, okYear = false;
    const int day = parts.at(0).toInt(&okDay);
    const int month = parts.at(1).toInt(&okMonth);
    int year = parts.at(2).toInt(&okYear);
    if (!okDay || !okMonth || !okYear || (parts.at(2).size() != 2 && parts.at(2).size() != 4))
        return {};
    if (parts.at(2).size() == 2)
        year += year < 50 ? 2000 : 1900;
    return QDate(year, month, day);
}

QString proposedFileName(const QString &call, const QString &reference, const QDate &day) {
    QString name = call.trimmed() + QStringLiteral(" @ ") + reference.trimmed();
    if (day.isValid())
        name += QLatin1Char(' ') + day.toString(QStringLiteral("yyyyMMdd"));
    for (QChar &c : name)
        if (c.unicode() < 0x20 || c == QLatin1Char(0x7F) || QStringView(u"/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    return name + QStringLiteral(".adi");
}

QString skippedNote(const QList<int> &skippedLines) {
    if (skippedLines.isEmpty())
        return {};
    constexpr int shown = 10;
    QStringList numbers;
    for (qsizetype i = 0; i < std::min<qsizetype>(shown, skippedLines.size()); ++i)
        numbers << QString::number(skippedLines.at(i));
    if (skippedLines.size() > shown)
        numbers << QStringLiteral("...");
    const QString reason =
        QStringLiteral("(indicatif vide, date, heure ou bande illisible dans le log)");
    if (skippedLines.size() == 1)
        return QStringLiteral("\n1 QSO n'a pas été exporté %1 : ligne %2.")
            .arg(reason, numbers.join(QStringLiteral(", ")));
    return QStringLiteral("\n%1 QSO n'ont pas été exportés %2 : lignes %3.")
        .arg(skippedLines.size())
        .arg(reason, numbers.join(QStringLiteral(", ")));
}

} // namespace zep::adif3
