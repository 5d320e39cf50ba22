#include "core/exchange/AdifAwardExport.h"

#include "core/adif/AdifData.h"
#include "core/exchange/AdifExport.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoColumns.h"
#include "core/log/QsoLine.h"

#include <QHash>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

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

/// "<NAME:length>value", for the header and the fields every record shares.
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

/// Writes the records at a cursor in the file's buffer, grown before each record to hold the
/// largest record possible: a log of years is mostly short pieces copied one after the other.
class Output {
public:
    explicit Output(QByteArray &bytes) : bytes_(bytes) { sync(bytes.size()); }
    void reserve(qsizetype room) {
        const qsizetype used = at_ - bytes_.data();
        const qsizetype wanted = used + room;
        if (wanted > bytes_.size())
            bytes_.resize(wanted <= bytes_.capacity() ? bytes_.capacity()
                                                      : std::max(wanted, bytes_.size() * 2));
        sync(used);
    }
    void put(QByteArrayView v) {
        // Most values are a few bytes: copied in place by two words that may overlap, rather
        // than byte by byte or through a call.
        const char *from = v.data();
        const qsizetype n = v.size();
        if (n >= 8 && n <= 16) {
            copyWord<8>(at_, from);
            copyWord<8>(at_ + n - 8, from + n - 8);
        } else if (n >= 4 && n < 8) {
            copyWord<4>(at_, from);
            copyWord<4>(at_ + n - 4, from + n - 4);
        } else if (n < 4) {
            for (qsizetype i = 0; i < n; ++i)
                at_[i] = from[i];
        } else {
            std::memcpy(at_, from, size_t(n));
        }
        at_ += n;
    }
    void put(char c) { *at_++ = c; }
    /// "<NAME:" given whole, then the length, ">", the value.
    template <std::size_t N> void field(const char (&tag)[N], QByteArrayView value) {
        std::memcpy(at_, tag, N - 1);
        at_ += N - 1;
        const qsizetype n = value.size();
        if (n < 10) {
            put(char('0' + n));
        } else if (n < 100) {
            put(char('0' + n / 10));
            put(char('0' + n % 10));
        } else {
            char digits[24];
            int count = 0;
            for (qsizetype rest = n; rest > 0; rest /= 10)
                digits[count++] = char('0' + rest % 10);
            while (count > 0)
                put(digits[--count]);
        }
        put('>');
        put(value);
    }
    template <std::size_t N> void fieldIfAny(const char (&tag)[N], QByteArrayView value) {
        if (!value.isEmpty())
            field(tag, value);
    }
    void finish() { bytes_.truncate(at_ - bytes_.data()); }

private:
    template <std::size_t N> static void copyWord(char *to, const char *from) {
        char word[N];
        std::memcpy(word, from, N);
        std::memcpy(to, word, N);
    }
    void sync(qsizetype used) { at_ = bytes_.data() + used; }
    QByteArray &bytes_;
    char *at_ = nullptr;
};

/// Room for the ASCII form of the widest text column (the remarks).
using ColumnBuffer = std::array<char, qsocol::remarksWidth * adif::longestAsciiForm>;

/// Every byte printable ASCII (0x20-0x7E). A QSO line is looked at eight bytes at a time: a
/// byte below 0x20 borrows into its top bit when 0x20 is taken from it, and a byte of 0x7F or
/// more has its top bit set once 1 is added to it.
bool isAscii(QByteArrayView v) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, tops = 0x8080808080808080ull;
    const char *p = v.data();
    qsizetype n = v.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (((w - 0x20 * ones) | w | (w + ones)) & tops)
            return false;
    }
    for (; n > 0; ++p, --n)
        if (uchar(*p) < 0x20 || uchar(*p) >= 0x7F)
            return false;
    return true;
}

/// Without the blanks on either side. The log pads its columns with blanks, often many (an
/// empty remarks column is 30 of them): they are passed over eight at a time.
inline QByteArrayView trimPadding(QByteArrayView v) {
    constexpr std::uint64_t blanks = 0x2020202020202020ull;
    const char *b = v.data();
    const char *e = b + v.size();
    std::uint64_t w;
    while (e - b >= 8 && (std::memcpy(&w, e - 8, 8), w == blanks))
        e -= 8;
    while (e > b && e[-1] == ' ')
        --e;
    while (b < e && *b == ' ')
        ++b;
    return QByteArrayView(b, e - b);
}

/// One text column of a QSO line in ASCII, trimmed: the line itself when it is ASCII already
/// (`lineIsAscii` says so for the whole line, as most lines are), else its ASCII form in
/// `buffer`.
inline QByteArrayView asciiColumn(QByteArrayView line, bool lineIsAscii, int first, int width,
                                  ColumnBuffer &buffer) {
    const QByteArrayView raw = trimPadding(qsoColumn(line, first, width));
    if (lineIsAscii || isAscii(raw))
        return raw;
    const qsizetype n = adif::toAscii(raw, buffer.data());
    return trimBlanks(QByteArrayView(buffer.data(), n));
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

/// The MODE and SUBMODE of the modes met so far: a log holds a handful of modes, each looked
/// up once however many QSOs carry it.
class Modes {
public:
    const adif::ModeFields &of(QByteArrayView typed) {
        for (const Entry &e : entries_)
            if (e.typed.size() == typed.size() &&
                std::memcmp(e.typed.constData(), typed.data(), size_t(typed.size())) == 0)
                return e.fields;
        if (entries_.size() == maxEntries)
            entries_.clear();
        entries_.push_back({typed.toByteArray(), adif::modeFields(typed)});
        return entries_.back().fields;
    }

private:
    struct Entry {
        QByteArray typed;
        adif::ModeFields fields;
    };
    static constexpr std::size_t maxEntries = 16;
    std::vector<Entry> entries_;
};

/// The date and time of a QSO line as ADIF writes them (YYYYMMDDHHMM), read as the log's
/// ordering reads them: "dd/mm/yy" in columns 1-8 and "hh:mm" in columns 11-15, a real date
/// (years 50-99 in the 1900s) and time. QSOs follow each other by the day: each day is checked
/// once.
class Stamps {
public:
    bool read(QByteArrayView line, char (&out)[12]) {
        if (line.size() < qsocol::time + qsocol::timeWidth - 1)
            return false;
        const QByteArrayView date = line.first(qsocol::dateWidth);
        const QByteArrayView time = line.sliced(qsocol::time - 1, qsocol::timeWidth);
        if (time[2] != ':' || !isDigit(time[0]) || !isDigit(time[1]) || !isDigit(time[3]) ||
            !isDigit(time[4]) || (time[0] - '0') * 10 + (time[1] - '0') > 23 || time[3] > '5')
            return false;
        if (!dayKnown_ || std::memcmp(date.data(), day_, sizeof day_) != 0) {
            std::memcpy(day_, date.data(), sizeof day_);
            dayKnown_ = true;
            dayValid_ = readDay(date);
        }
        if (!dayValid_)
            return false;
        std::memcpy(out, ymd_, 8);
        out[8] = time[0];
        out[9] = time[1];
        out[10] = time[3];
        out[11] = time[4];
        return true;
    }

private:
    bool readDay(QByteArrayView date) {
        for (const int at : {0, 1, 3, 4, 6, 7})
            if (!isDigit(date[at]))
                return false;
        if (date[2] != '/' || date[5] != '/')
            return false;
        const auto twoDigits = [&](int at) { return (date[at] - '0') * 10 + (date[at + 1] - '0'); };
        const int year = fullYear(twoDigits(6));
        if (!QDate(year, twoDigits(3), twoDigits(0)).isValid())
            return false;
        const char digits[8] = {char('0' + year / 1000),
                                char('0' + year / 100 % 10),
                                date[6],
                                date[7],
                                date[3],
                                date[4],
                                date[0],
                                date[1]};
        std::memcpy(ymd_, digits, 8);
        return true;
    }

    char day_[qsocol::dateWidth] = {};
    bool dayKnown_ = false;
    bool dayValid_ = false;
    char ymd_[8] = {};
};

/// The ADIF band of the band column ("7 Mhz"), remembered from one QSO to the next.
class Bands {
public:
    std::optional<QByteArrayView> of(QByteArrayView column) {
        if (column.size() != size_ || std::memcmp(column.data(), text_, size_t(size_)) != 0) {
            size_ = std::min<qsizetype>(column.size(), sizeof text_);
            std::memcpy(text_, column.data(), size_t(size_));
            band_ = adif::band(trimBlanks(column));
            if (size_ != column.size())
                size_ = -1; // wider than any band column: looked up each time
        }
        return band_;
    }

private:
    char text_[32] = {};
    qsizetype size_ = -1; // no column has this size
    std::optional<QByteArrayView> band_;
};

/// The names of the DXCC entities and the subdivisions met so far.
class Places {
public:
    QByteArrayView name(int dxcc) {
        if (dxcc < 0 || dxcc >= int(known_.size()))
            return adif::entityName(dxcc);
        if (!known_[size_t(dxcc)]) {
            names_[size_t(dxcc)] = adif::entityName(dxcc);
            known_[size_t(dxcc)] = true;
        }
        return names_[size_t(dxcc)];
    }
    /// A department has two characters: with the entity they make the key.
    bool isSubdivision(QByteArrayView code, int dxcc) {
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
    // Entity numbers stay below 1,000.
    std::array<QByteArrayView, 1024> names_{};
    std::array<bool, 1024> known_{};
    QHash<quint64, bool> subdivisions_;
};

/// The home call of a call sign worked portable or from abroad ("F4ABC" for "F4ABC/P",
/// "EA8/F4ABC" or "EA8/F4ABC/MM"): see homeCall.
QByteArray homeCallOf(QByteArrayView call) {
    QByteArrayView best;
    bool bestEndsInLetter = false;
    qsizetype from = 0;
    while (from <= call.size()) {
        qsizetype to = call.indexOf('/', from);
        if (to < 0)
            to = call.size();
        const QByteArrayView part = call.sliced(from, to - from);
        const bool letter = std::any_of(part.begin(), part.end(), isUpperLetter);
        const bool digit = std::any_of(part.begin(), part.end(), isDigit);
        // A call sign has letters and a digit; a prefix such as "EA8" ends with its digit,
        // a call sign with its letters.
        if (letter && digit && part.size() >= 3) {
            const bool endsInLetter = isUpperLetter(part.back());
            if (best.isEmpty() || endsInLetter > bestEndsInLetter ||
                (endsInLetter == bestEndsInLetter && part.size() > best.size())) {
                best = part;
                bestEndsInLetter = endsInLetter;
            }
        }
        from = to + 1;
    }
    return (best.isEmpty() ? call : best).toByteArray();
}

/// The fields that every record of the file carries alike.
QByteArray stationFields(const Station &station) {
    QByteArray out;
    putFieldIfAny(out, "STATION_CALLSIGN", asciiOf(station.stationCall).toUpper());
    putFieldIfAny(out, "OPERATOR", homeCallOf(asciiOf(station.operatorCall).toUpper()));
    putFieldIfAny(out, "MY_SIG", asciiOf(station.programme));
    const QByteArray reference = asciiOf(station.reference);
    putFieldIfAny(out, "MY_SIG_INFO", reference);
    switch (schemeOf(station.reference)) {
    case Scheme::Wwff:
        putField(out, "MY_WWFF_REF", reference.toUpper());
        break;
    case Scheme::Pota:
        putField(out, "MY_POTA_REF", reference.toUpper());
        break;
    case Scheme::Sota:
        putField(out, "MY_SOTA_REF", reference.toUpper());
        break;
    case Scheme::Other:
        break;
    }
    if (const std::optional<QString> grid = gridSquare(station.gridSquare))
        putField(out, "MY_GRIDSQUARE", grid->toLatin1());
    return out;
}

/// A reference is a word of its own: what comes before or after it is no letter, digit or
/// "/" (a call sign such as "F5XYZ" or "F4ABC/P" is one word).
bool isWordCharacter(char c) {
    return isAlnum(c) || c == '/';
}

bool isUpperAlnum(char c) {
    return isDigit(c) || isUpperLetter(c);
}

/// A reference without its blanks and hyphens, in capitals: how two spellings of one
/// reference are compared ("DFCF 76054", "DFCF-76-054", "dfcf76054").
QByteArray compared(QByteArrayView reference) {
    QByteArray out;
    out.reserve(reference.size());
    for (const char c : reference)
        if (c != ' ' && c != '-')
            out.append(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
    return out;
}

/// What the search for a partner reference needs of ours, worked out once for the file.
struct OwnReference {
    OwnReference(QByteArrayView programmeLetters, QByteArrayView reference)
        : scheme(schemeOf(QString::fromLatin1(reference))), letters(programmeLetters.toByteArray()),
          same(compared(reference)) {
        // The number of ours as it is spelt ("-21-001"): partners are written the same way.
        const QByteArray upper = reference.toByteArray().trimmed().toUpper();
        if (upper.startsWith(letters))
            spelling = upper.mid(letters.size());
        digits = int(std::count_if(spelling.begin(), spelling.end(), isDigit));
    }
    Scheme scheme;
    QByteArray letters;
    QByteArray same;     ///< ours, compared
    QByteArray spelling; ///< ours after the letters
    int digits = 0;      ///< the digits of our number

    /// A partner's number written as ours is: its digits in the places of ours when it has as
    /// many, else after our separator.
    QByteArray written(QByteArrayView number) const {
        QByteArray out = letters;
        if (number.size() == digits) {
            qsizetype next = 0;
            for (const char c : spelling)
                out.append(isDigit(c) ? number[next++] : c);
            return out;
        }
        if (!spelling.isEmpty() && (spelling[0] == ' ' || spelling[0] == '-'))
            out.append(spelling[0]);
        return out + number.toByteArray();
    }
};

/// See partnerReference. The remarks are an ASCII column: they are put in capitals in place,
/// and nothing is built unless a partner is found.
std::optional<QByteArray> partnerIn(QByteArrayView remarks, const OwnReference &own) {
    const QByteArrayView letters = own.letters;
    if (own.scheme == Scheme::Other && letters.isEmpty())
        return std::nullopt;
    std::array<char, qsocol::remarksWidth * adif::longestAsciiForm> upper;
    if (remarks.size() > qsizetype(upper.size()))
        remarks = remarks.first(qsizetype(upper.size()));
    for (qsizetype i = 0; i < remarks.size(); ++i) {
        const char c = remarks[i];
        upper[size_t(i)] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
    const QByteArrayView text(upper.data(), remarks.size());
    const qsizetype size = text.size();
    for (qsizetype start = 0; start < size; ++start) {
        if (start > 0 && isWordCharacter(text[start - 1]))
            continue; // inside a longer word
        if (own.scheme != Scheme::Other) {
            if (!isUpperAlnum(text[start]))
                continue;
            const qsizetype n = schemeReferenceAt(text, start, own.scheme);
            if (n == 0)
                continue;
            const QByteArrayView found = text.sliced(start, n);
            if (compared(found) == own.same)
                continue; // our own reference, noted in the remarks
            return found.toByteArray();
        }
        if (start + letters.size() > size || text[start] != letters[0] ||
            std::memcmp(text.data() + start, letters.data(), size_t(letters.size())) != 0)
            continue;
        qsizetype at = start + letters.size();
        if (at + 1 < size && (text[at] == ' ' || text[at] == '-') && isDigit(text[at + 1]))
            ++at;
        if (at >= size || !isDigit(text[at]))
            continue; // the letters alone, or another word
        // The number: digits, maybe in groups joined by hyphens ("27-015").
        char digits[qsocol::remarksWidth * adif::longestAsciiForm];
        qsizetype count = 0, end = at;
        while (end < size && (isDigit(text[end]) ||
                              (text[end] == '-' && end + 1 < size && isDigit(text[end + 1])))) {
            if (isDigit(text[end]))
                digits[count++] = text[end];
            ++end;
        }
        if (end < size && isWordCharacter(text[end]))
            continue; // "F5XYZ": a call sign, not a reference
        const QByteArrayView number(digits, count);
        // With a programme of one or two letters, a call sign's beginning ("F5 ") could be
        // taken for a reference: there the number has as many digits as ours.
        if (letters.size() <= 2 && count != own.digits)
            continue;
        if (own.letters + number.toByteArray() == own.same)
            continue; // our own reference, noted in the remarks
        return own.written(number);
    }
    return std::nullopt;
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

namespace {

using adif::dxccCorsica;
using adif::dxccFrance;

/// A maritime or aeronautical mobile station ("EA8/F4ABC/MM", "F4ABC/AM") is in no DXCC
/// entity, whatever its prefix.
bool isMobileAtSeaOrInAir(QByteArrayView call) {
    if (call.size() < 3 || call[call.size() - 3] != '/')
        return false;
    const char a = char(call[call.size() - 2] & ~0x20), b = char(call[call.size() - 1] & ~0x20);
    return b == 'M' && (a == 'M' || a == 'A');
}

/// About how many lines a stretch of the log holds: the QSO lines have one length.
qsizetype linesIn(QByteArrayView log) {
    return log.size() / (qsocol::lineLength + 2) + 1;
}

/// What every record shares, worked out once for the file.
struct Common {
    const Contents &contents;
    const EntityOf &entityOf;
    const FrequencyOf &frequencyOf;
    QByteArray stationPart, own, letters, sig;
    OwnReference ownReference;
    qsizetype recordRoom = 0;
};

/// The records of one stretch of the log, appended to `bytes`; the skipped lines are
/// numbered from the stretch's first line, and `lines` tells how many it has.
struct Part {
    int lines = 0;
    int records = 0;
    int unknownModes = 0;
    QList<int> skippedLines;
};
/// The partner's reference found in the remarks, in the fields of our programme.
void putPartner(Output &out, const Common &c, QByteArrayView remarks) {
    const auto partner = partnerIn(remarks, c.ownReference);
    if (!partner)
        return;
    out.fieldIfAny("<SIG:", c.sig);
    out.field("<SIG_INFO:", *partner);
    switch (c.ownReference.scheme) {
    case Scheme::Wwff:
        out.field("<WWFF_REF:", *partner);
        break;
    case Scheme::Pota:
        out.field("<POTA_REF:", *partner);
        break;
    case Scheme::Sota:
        out.field("<SOTA_REF:", *partner);
        break;
    case Scheme::Other:
        break;
    }
}

/// The entity of the call sign, its name and the department as its subdivision. A French call
/// sign operated from Corsica says so by its department (2A, 2B), a Corsican one on the
/// mainland by a department of France.
void putCountry(Output &out, const Common &c, Places &places, QByteArrayView call,
                QByteArrayView department) {
    if (isMobileAtSeaOrInAir(call)) {
        out.field("<DXCC:", "0"); // in no entity, so in no subdivision either
        return;
    }
    int dxcc = c.entityOf ? c.entityOf(call) : 0;
    char upper[2];
    QByteArrayView code;
    if (department.size() <= 2) {
        for (qsizetype i = 0; i < department.size(); ++i)
            upper[i] = (department[i] >= 'a' && department[i] <= 'z')
                           ? char(department[i] - 'a' + 'A')
                           : department[i];
        code = QByteArrayView(upper, department.size());
    }
    if (!code.isEmpty()) {
        if (dxcc == dxccFrance && places.isSubdivision(code, dxccCorsica))
            dxcc = dxccCorsica;
        else if (dxcc == dxccCorsica && places.isSubdivision(code, dxccFrance))
            dxcc = dxccFrance;
    }
    const QByteArrayView country = dxcc > 0 ? places.name(dxcc) : QByteArrayView();
    if (country.isEmpty())
        return;
    char number[32];
    int digits = 0;
    for (int rest = dxcc; rest > 0; rest /= 10)
        ++digits;
    for (int i = digits - 1, rest = dxcc; i >= 0; --i, rest /= 10)
        number[i] = char('0' + rest % 10);
    out.field("<DXCC:", QByteArrayView(number, digits));
    out.field("<COUNTRY:", country);
    if (!code.isEmpty() && places.isSubdivision(code, dxcc))
        out.field("<STATE:", code);
}

Part appendRecords(const Common &c, QByteArrayView stretch, QByteArray &bytes) {
    namespace col = qsocol;
    Part part;
    Modes modes;
    Places places;
    Stamps stamps;
    Bands bands;
    ColumnBuffer callBuffer, textBuffer;
    bytes.reserve(bytes.size() + linesIn(stretch) * (c.stationPart.size() + 300));
    Output out(bytes);
    rawfile::forEachLine(stretch, [&](QByteArrayView whole) {
        const int lineNumber = ++part.lines;
        if (isBlankLine(whole))
            return;
        const QByteArrayView line = whole.first(std::min<qsizetype>(whole.size(), col::lineLength));
        const bool lineIsAscii = isAscii(line);
        const auto column = [&](int first, int width) {
            return asciiColumn(line, lineIsAscii, first, width, textBuffer);
        };
        const QByteArrayView call =
            asciiColumn(line, lineIsAscii, col::call, col::callWidth, callBuffer);
        char stamp[12] = {}; // yyyymmddhhmm
        const bool dated = stamps.read(line, stamp);
        const auto band = bands.of(qsoColumn(line, col::band, col::bandWidth + 4));
        if (call.isEmpty() || !dated || !band) {
            part.skippedLines.append(lineNumber);
            return;
        }
        out.reserve(c.recordRoom);
        out.field("<CALL:", call);
        out.field("<QSO_DATE:", QByteArrayView(stamp, 8));
        out.field("<TIME_ON:", QByteArrayView(stamp + 8, 4));
        out.field("<BAND:", *band);
        if (c.frequencyOf) {
            const std::optional<double> mhz = c.frequencyOf(whole);
            const auto limits = adif::bandLimits(*band);
            if (mhz && limits && *mhz >= limits->lowerMHz && *mhz <= limits->upperMHz)
                out.field("<FREQ:", frequencyText(*mhz));
        }
        if (c.contents.gridOf)
            if (const std::optional<QByteArray> grid = c.contents.gridOf(whole))
                out.field("<GRIDSQUARE:", *grid);
        const QByteArrayView typedMode = column(col::mode, col::modeWidth);
        const adif::ModeFields &mode = modes.of(typedMode);
        out.field("<MODE:", mode.known ? QByteArrayView(mode.mode) : typedMode);
        out.fieldIfAny("<SUBMODE:", mode.submode);
        if (!mode.known)
            ++part.unknownModes;
        out.fieldIfAny("<RST_SENT:", column(col::rstSent, col::rstWidth));
        out.fieldIfAny("<RST_RCVD:", column(col::rstReceived, col::rstWidth));
        out.put(c.stationPart);
        const QByteArrayView remarks = column(col::remarks, col::remarksWidth);
        if (c.contents.partnerReferences && !remarks.isEmpty())
            putPartner(out, c, remarks);
        if (c.contents.comments)
            out.fieldIfAny("<COMMENT:", remarks);
        if (c.contents.names)
            out.fieldIfAny("<NAME:", column(col::firstName, col::firstNameWidth));
        if (c.contents.countries)
            putCountry(out, c, places, call, column(col::department, col::departmentWidth));
        out.put("<EOR>\r\n");
        ++part.records;
    });
    out.finish();
    return part;
}

/// A log this large is cut into stretches made side by side, one per processor at a time, and
/// handed on in order as each is ready.
constexpr qsizetype stretchesFrom = 1 << 20;
/// The log bytes of a stretch: its piece of the file is a few megabytes.
constexpr qsizetype stretchSize = 1 << 20;

} // namespace

Document document(const Station &station, const Contents &contents, QByteArrayView log,
                  const EntityOf &entityOf, const FrequencyOf &frequencyOf) {
    Document doc =
        document(station, contents, log, entityOf, frequencyOf, [&doc](QByteArray piece) {
            doc.pieces.append(std::move(piece));
            return true;
        });
    // The header goes with the first records.
    if (doc.pieces.size() > 1) {
        doc.pieces[1].prepend(doc.pieces.at(0));
        doc.pieces.removeFirst();
    }
    return doc;
}

Document document(const Station &station, const Contents &contents, QByteArrayView log,
                  const EntityOf &entityOf, const FrequencyOf &frequencyOf, const Sink &sink) {
    Common c{contents,
             entityOf,
             frequencyOf,
             stationFields(station),
             asciiOf(station.reference).toUpper(),
             programmeOf(station.reference).toLatin1(),
             asciiOf(station.programme),
             OwnReference(programmeOf(station.reference).toLatin1(),
                          asciiOf(station.reference).toUpper())};
    // The largest record: every tag and length, the text columns at their widest ASCII form,
    // the station's fields, the partner reference and the country name.
    c.recordRoom = 1024 + qsocol::lineLength * adif::longestAsciiForm + c.stationPart.size() +
                   c.sig.size() + c.letters.size() + c.own.size();

    // The stretches end after a line end, so that each holds whole lines.
    QList<QByteArrayView> stretches;
    if (log.size() < stretchesFrom) {
        stretches.append(log);
    } else {
        for (qsizetype from = 0; from < log.size();) {
            qsizetype to = from + stretchSize;
            if (to < log.size()) {
                const qsizetype end = log.indexOf('\n', to - 1);
                to = end < 0 ? log.size() : end + 1;
            } else {
                to = log.size();
            }
            stretches.append(log.sliced(from, to - from));
            from = to;
        }
    }

    Document doc;
    bool going = sink(header(station));
    // While this thread hands a stretch on (to the disk, most often), the next ones are made.
    const std::size_t ahead = stretches.size() == 1
                                  ? 1
                                  : std::clamp(std::size_t(std::thread::hardware_concurrency()),
                                               std::size_t(1), std::size_t(8));
    struct Made {
        Part part;
        QByteArray bytes;
    };
    std::vector<std::future<Made>> running;
    const auto start = [&](qsizetype i) {
        const auto make = [&c, stretch = stretches.at(i)] {
            Made made;
            made.part = appendRecords(c, stretch, made.bytes);
            return made;
        };
        running.push_back(stretches.size() == 1 ? std::async(std::launch::deferred, make)
                                                : std::async(std::launch::async, make));
    };
    qsizetype started = 0;
    while (started < stretches.size() && std::size_t(started) < ahead)
        start(started++);
    int linesBefore = 0;
    // Once the sink refused a piece, nothing more is started: what runs is waited for.
    for (qsizetype i = 0; i < started; ++i) {
        Made made = running[size_t(i)].get();
        if (going && started < stretches.size())
            start(started++);
        doc.records += made.part.records;
        doc.unknownModes += made.part.unknownModes;
        for (const int line : std::as_const(made.part.skippedLines))
            doc.skippedLines.append(linesBefore + line);
        linesBefore += made.part.lines;
        if (going)
            going = sink(std::move(made.bytes));
    }
    return doc;
}

QByteArray Document::bytes() const {
    QByteArray all;
    for (const QByteArray &piece : pieces)
        all += piece;
    return all;
}

QString programmeOf(const QString &reference) {
    const QString trimmed = reference.trimmed().toUpper();
    qsizetype n = 0;
    while (n < trimmed.size() && trimmed.at(n) >= QLatin1Char('A') &&
           trimmed.at(n) <= QLatin1Char('Z'))
        ++n;
    return trimmed.left(n);
}

Scheme schemeOf(const QString &reference) {
    QByteArray text = asciiOf(reference).toUpper();
    for (const Scheme scheme : {Scheme::Wwff, Scheme::Pota, Scheme::Sota})
        if (!text.isEmpty() && schemeReferenceAt(text, 0, scheme) == text.size())
            return scheme;
    return Scheme::Other;
}

QString defaultProgramme(const QString &reference) {
    switch (schemeOf(reference)) {
    case Scheme::Wwff:
        return QStringLiteral("WWFF");
    case Scheme::Pota:
        return QStringLiteral("POTA");
    case Scheme::Sota:
        return QStringLiteral("SOTA");
    case Scheme::Other:
        break;
    }
    return programmeOf(reference);
}

QString homeCall(const QString &call) {
    return QString::fromLatin1(homeCallOf(asciiOf(call).toUpper()));
}

std::optional<QByteArray> partnerReference(QByteArrayView remarks, QByteArrayView letters,
                                           QByteArrayView ownReference) {
    return partnerIn(remarks, OwnReference(letters, ownReference));
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
        year = fullYear(year);
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
