#include "core/exchange/AdifExport.h"

#include "core/adif/AdifData.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoColumns.h"
#include "core/log/QsoLine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace zep::adif {

namespace {

/// ASCII forms of the Windows-1252 characters 0x80 to 0xFF (the holes of the code page
/// give nothing). None is longer than 3 characters.
// clang-format off
constexpr std::array<const char *, 128> upperHalf = {
    // 0x80
    "EUR", "", ",", "f", ",,", "...", "+", "+", "^", "%o", "S", "'", "OE", "", "Z", "",
    // 0x90
    "", "'", "'", "\"", "\"", "*", "-", "-", "~", "TM", "s", "'", "oe", "", "z", "Y",
    // 0xA0
    " ", "!", "c", "L", "", "Y", "|", "S", "\"", "(C)", "a", "\"", "-", "-", "(R)", "-",
    // 0xB0
    "o", "+/-", "2", "3", "'", "u", "P", ".", ",", "1", "o", "\"", "1/4", "1/2", "3/4", "?",
    // 0xC0
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    // 0xD0
    "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",
    // 0xE0
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    // 0xF0
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y",
};
// clang-format on
constexpr int longestForm = longestAsciiForm;

bool isAscii(QByteArrayView v) {
    for (const char c : v)
        if (uchar(c) < 0x20 || uchar(c) >= 0x7F)
            return false;
    return true;
}

/// Writes the ASCII form of `v` at `out`; returns the number of characters written (at most
/// longestForm per character of `v`).
qsizetype writeAscii(char *out, QByteArrayView v) {
    char *at = out;
    for (const char c : v) {
        const uchar u = uchar(c);
        if (u < 0x20 || u == 0x7F)
            *at++ = ' ';
        else if (u < 0x80)
            *at++ = c;
        else
            for (const char *s = upperHalf[u - 0x80]; *s; ++s)
                *at++ = *s;
    }
    return at - out;
}

/// One text field of a QSO line in ASCII, trimmed of blanks (after the change too, since a
/// non-breaking blank becomes a blank). Points into the line when it is ASCII already, into
/// `buffer` otherwise.
template <std::size_t N>
QByteArrayView asciiField(QByteArrayView line, int first, int width, std::array<char, N> &buffer) {
    const QByteArrayView raw = trimBlanks(qsoColumn(line, first, width));
    if (isAscii(raw))
        return raw;
    const qsizetype n =
        writeAscii(buffer.data(), raw.first(std::min<qsizetype>(raw.size(), N / longestForm)));
    return trimBlanks(QByteArrayView(buffer.data(), n));
}

/// Writes at a cursor in a buffer already large enough for the whole record: the export
/// of a large log is mostly appending short pieces, which this keeps to plain copies.
struct Cursor {
    char *at;
    void put(QByteArrayView v) {
        if (!v.isEmpty())
            std::memcpy(at, v.data(), size_t(v.size()));
        at += v.size();
    }
    void put(char c) { *at++ = c; }
};

/// The most one record can take: the tags, the lengths and every value at its widest ASCII
/// form (the QSO line has 104 columns), the mode a submode belongs to and the submode's own
/// field, with the line end.
constexpr qsizetype recordRoom = 160 + 24 + qsocol::lineLength * longestForm + 48 + 2;

/// "<tag" (with its colon), the length in decimal, ">", the value.
void putField(Cursor &out, QByteArrayView tag, QByteArrayView value) {
    char digits[24];
    int n = 0;
    qsizetype length = value.size();
    do {
        digits[n++] = char('0' + length % 10);
        length /= 10;
    } while (length > 0);
    out.put(tag);
    while (n > 0)
        out.put(digits[--n]);
    out.put('>');
    out.put(value);
}

/// The MODE and SUBMODE of the modes met so far: a log holds a handful of modes, each looked
/// up once however many QSOs carry it.
class ModeCache {
public:
    const ModeFields &of(QByteArrayView typed) {
        for (const Entry &e : entries_)
            if (e.typed == typed)
                return e.fields;
        if (entries_.size() == maxEntries)
            entries_.clear();
        entries_.push_back({typed.toByteArray(), modeFields(typed)});
        return entries_.back().fields;
    }
    int unknown = 0; ///< records written with a mode ADIF does not know

private:
    struct Entry {
        QByteArray typed;
        ModeFields fields;
    };
    static constexpr std::size_t maxEntries = 16;
    std::vector<Entry> entries_;
};

void putRecord(Cursor &out, QByteArrayView line, ModeCache &modes) {
    namespace col = qsocol;
    std::array<char, 128> buffer;

    putField(out, "<call:", asciiField(line, col::call, col::callWidth, buffer));

    const QByteArrayView name = asciiField(line, col::firstName, col::firstNameWidth, buffer);
    if (!name.isEmpty())
        putField(out, "<name:", name);

    // The band is looked up with its unit ("7 Mhz"). A band no row holds (hand-edited log)
    // gets no band field at all rather than a wrong one.
    if (const auto adifBand = band(trimBlanks(qsoColumn(line, col::band, col::bandWidth + 4))))
        putField(out, "<band:", *adifBand);

    // A submode (USB, LSB...) is no MODE of its own: it goes with the mode it belongs to.
    const QByteArrayView typed = asciiField(line, col::mode, col::modeWidth, buffer);
    const ModeFields &mode = modes.of(typed);
    putField(out, "<mode:", mode.known ? QByteArrayView(mode.mode) : typed);
    if (!mode.submode.isEmpty())
        putField(out, "<submode:", mode.submode);
    if (!mode.known)
        ++modes.unknown;

    // jj/mm/aa -> 20aammjj, cut as the log's date is cut, whatever it holds.
    const QByteArrayView date = asciiField(line, col::date, col::dateWidth, buffer);
    char qsoDate[8] = {'2', '0'};
    Cursor d{qsoDate + 2};
    d.put(date.last(std::min<qsizetype>(2, date.size())));
    d.put(date.size() > 3 ? date.sliced(3, std::min<qsizetype>(2, date.size() - 3))
                          : QByteArrayView());
    d.put(date.first(std::min<qsizetype>(2, date.size())));
    putField(out, "<qso_date:", QByteArrayView(qsoDate, d.at - qsoDate));

    // hh:mm -> hhmm
    const QByteArrayView hhmm = asciiField(line, col::time, col::timeWidth, buffer);
    char timeOn[4];
    Cursor t{timeOn};
    t.put(hhmm.first(std::min<qsizetype>(2, hhmm.size())));
    t.put(hhmm.last(std::min<qsizetype>(2, hhmm.size())));
    putField(out, "<time_on:", QByteArrayView(timeOn, t.at - timeOn));
    putField(out, "<time_off:", QByteArrayView(timeOn, t.at - timeOn));

    putField(out, "<rst_sent:", asciiField(line, col::rstSent, col::rstWidth, buffer));
    putField(out, "<rst_rcvd:", asciiField(line, col::rstReceived, col::rstWidth, buffer));
    putField(out, "<state:", asciiField(line, col::department, col::departmentWidth, buffer));
    putField(out, "<comment:", asciiField(line, col::remarks, col::remarksWidth, buffer));
    out.put("<eor>");
}

} // namespace

QString title(const QString &activator) {
    return QStringLiteral("Exportation du log ZEP_Rozadovev de ") + activator +
           QStringLiteral(" au format ADIF");
}

QString creditLine() {
    return QStringLiteral("Fichier produit par ZEP_Rozadovev, revision") + revisionText;
}

QString proposedFileName(const QString &reference, const QString &activationDate) {
    return reference + QLatin1Char('_') + activationDate.left(2) + QLatin1Char('_') +
           activationDate.mid(3, 2) + QLatin1Char('_') + activationDate.right(2);
}

QString unknownModesNote(int unknownModes) {
    if (unknownModes <= 0)
        return {};
    if (unknownModes == 1)
        return QStringLiteral("\n1 QSO a un mode inconnu de la norme ADIF : il est écrit tel "
                              "qu'il a été saisi.");
    return QStringLiteral("\n%1 QSO ont un mode inconnu de la norme ADIF : ils sont écrits tels "
                          "qu'ils ont été saisis.")
        .arg(unknownModes);
}

std::optional<QByteArrayView> band(QByteArrayView bandText) {
    struct Row {
        QByteArrayView text, band;
    };
    // 1.8 MHz is offered by the entry window like the others, so it has its row.
    static constexpr Row rows[] = {
        {"1.8 Mhz", "160m"}, {"3.5 Mhz", "80m"}, {"7 Mhz", "40m"},  {"10 Mhz", "30m"},
        {"14 Mhz", "20m"},   {"18 Mhz", "17m"},  {"21 Mhz", "15m"}, {"24 Mhz", "12m"},
        {"28 Mhz", "10m"},   {"50 Mhz", "6m"},   {"144 Mhz", "2m"},
    };
    for (const Row &row : rows)
        if (row.text == bandText)
            return row.band;
    return std::nullopt;
}

qsizetype toAscii(QByteArrayView windows1252, char *out) {
    return writeAscii(out, windows1252);
}

QByteArray toAscii(QByteArrayView windows1252) {
    QByteArray out(windows1252.size() * longestForm, Qt::Uninitialized);
    out.truncate(writeAscii(out.data(), windows1252));
    return out;
}

QByteArray record(QByteArrayView qsoLine) {
    QByteArray out(recordRoom, Qt::Uninitialized);
    Cursor at{out.data()};
    ModeCache modes;
    putRecord(at, qsoLine.first(std::min<qsizetype>(qsoLine.size(), qsocol::lineLength)), modes);
    out.truncate(at.at - out.data());
    return out;
}

QByteArray document(const QString &titleLine, QByteArrayView log, int *unknownModes) {
    QByteArray title;
    if (!cp1252::encode(titleLine, title))
        title = titleLine.toLatin1(); // characters outside the code page become '?'
    QByteArray header = toAscii(title);
    header.append("\r\n\r\n");
    header.append(creditLine().toLatin1());
    header.append("\r\n\r\n\r\n<eoh>\r\n");

    const qsizetype lines = std::count(log.begin(), log.end(), '\n') + 1;
    QByteArray out(header.size() + lines * recordRoom, Qt::Uninitialized);
    Cursor at{out.data()};
    at.put(header);
    ModeCache modes;
    rawfile::forEachLine(log, [&](QByteArrayView line) {
        if (isBlankLine(line))
            return;
        // Columns past the 104th belong to no field.
        putRecord(at, line.first(std::min<qsizetype>(line.size(), qsocol::lineLength)), modes);
        at.put("\r\n");
    });
    out.truncate(at.at - out.data());
    if (unknownModes)
        *unknownModes = modes.unknown;
    return out;
}

} // namespace zep::adif
