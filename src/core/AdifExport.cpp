#include "core/AdifExport.h"

#include "core/ActivityLog.h"
#include "core/QsoColumns.h"
#include "core/QsoLine.h"
#include "core/Settings.h"
#include "core/TextFile.h"

#include <array>

namespace zep::adif {

namespace {

/// ASCII forms of the Windows-1252 characters 0x80 to 0xFF (the holes of the code page
/// give nothing).
constexpr std::array<const char *, 128> upperHalf = {
    // 0x80
    "EUR",
    "",
    ",",
    "f",
    ",,",
    "...",
    "+",
    "+",
    "^",
    "%o",
    "S",
    "'",
    "OE",
    "",
    "Z",
    "",
    // 0x90
    "",
    "'",
    "'",
    "\"",
    "\"",
    "*",
    "-",
    "-",
    "~",
    "TM",
    "s",
    "'",
    "oe",
    "",
    "z",
    "Y",
    // 0xA0
    " ",
    "!",
    "c",
    "L",
    "",
    "Y",
    "|",
    "S",
    "\"",
    "(C)",
    "a",
    "\"",
    "-",
    "-",
    "(R)",
    "-",
    // 0xB0
    "o",
    "+/-",
    "2",
    "3",
    "'",
    "u",
    "P",
    ".",
    ",",
    "1",
    "o",
    "\"",
    "1/4",
    "1/2",
    "3/4",
    "?",
    // 0xC0
    "A",
    "A",
    "A",
    "A",
    "A",
    "A",
    "AE",
    "C",
    "E",
    "E",
    "E",
    "E",
    "I",
    "I",
    "I",
    "I",
    // 0xD0
    "D",
    "N",
    "O",
    "O",
    "O",
    "O",
    "O",
    "x",
    "O",
    "U",
    "U",
    "U",
    "U",
    "Y",
    "TH",
    "ss",
    // 0xE0
    "a",
    "a",
    "a",
    "a",
    "a",
    "a",
    "ae",
    "c",
    "e",
    "e",
    "e",
    "e",
    "i",
    "i",
    "i",
    "i",
    // 0xF0
    "d",
    "n",
    "o",
    "o",
    "o",
    "o",
    "o",
    "/",
    "o",
    "u",
    "u",
    "u",
    "u",
    "y",
    "th",
    "y",
};

bool isAscii(QByteArrayView v) {
    for (const char c : v)
        if (uchar(c) < 0x20 || uchar(c) >= 0x7F)
            return false;
    return true;
}

void appendAscii(QByteArray &out, QByteArrayView v) {
    if (isAscii(v)) { // the usual case: nothing to change
        out.append(v);
        return;
    }
    for (const char c : v) {
        const uchar u = uchar(c);
        if (u < 0x20 || u == 0x7F)
            out.append(' ');
        else if (u < 0x80)
            out.append(c);
        else
            out.append(upperHalf[u - 0x80]);
    }
}

void appendField(QByteArray &out, QByteArrayView tag, QByteArrayView value) {
    out.append(tag);
    out.append(QByteArray::number(value.size()));
    out.append('>');
    out.append(value);
}

/// A text field of the QSO line in ASCII, trimmed (after the change, since a non-breaking
/// blank becomes a blank).
QByteArray asciiField(QByteArrayView line, int first, int width) {
    const QByteArrayView raw = trimBlanks(qsoColumn(line, first, width));
    if (isAscii(raw))
        return raw.toByteArray();
    QByteArray out;
    appendAscii(out, raw);
    return trimBlanks(out).toByteArray();
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

QByteArray toAscii(QByteArrayView windows1252) {
    QByteArray out;
    appendAscii(out, windows1252);
    return out;
}

QByteArray record(QByteArrayView line) {
    namespace col = qsocol;
    QByteArray out;
    out.reserve(200);

    appendField(out, "<call:", asciiField(line, col::call, col::callWidth));

    const QByteArray name = asciiField(line, col::firstName, col::firstNameWidth);
    if (!name.isEmpty())
        appendField(out, "<name:", name);

    // The band is looked up with its unit ("7 Mhz"). A band no row holds (hand-edited log)
    // gets no band field at all rather than a wrong one.
    if (const auto adifBand = band(trimBlanks(qsoColumn(line, col::band, col::bandWidth + 4))))
        appendField(out, "<band:", *adifBand);

    appendField(out, "<mode:", asciiField(line, col::mode, col::modeWidth));

    // jj/mm/aa -> 20aammjj
    const QByteArray date = asciiField(line, col::date, col::dateWidth);
    QByteArray qsoDate("20");
    qsoDate.append(date.right(2)).append(date.mid(3, 2)).append(date.left(2));
    appendField(out, "<qso_date:", qsoDate);

    // hh:mm -> hhmm
    const QByteArray hhmm = asciiField(line, col::time, col::timeWidth);
    const QByteArray timeOn = hhmm.left(2) + hhmm.right(2);
    appendField(out, "<time_on:", timeOn);
    appendField(out, "<time_off:", timeOn);

    appendField(out, "<rst_sent:", asciiField(line, col::rstSent, col::rstWidth));
    appendField(out, "<rst_rcvd:", asciiField(line, col::rstReceived, col::rstWidth));
    appendField(out, "<state:", asciiField(line, col::department, col::departmentWidth));
    appendField(out, "<comment:", asciiField(line, col::remarks, col::remarksWidth));
    out.append("<eor>");
    return out;
}

QByteArray document(const QString &titleLine, QByteArrayView log) {
    QByteArray out;
    // A record is about twice as long as its QSO line.
    out.reserve(256 + log.size() * 2);
    QByteArray title;
    if (!cp1252::encode(titleLine, title))
        title = titleLine.toLatin1(); // characters outside the code page become '?'
    appendAscii(out, title);
    out.append("\r\n\r\n");
    out.append(creditLine().toLatin1());
    out.append("\r\n\r\n\r\n<eoh>\r\n");
    rawfile::forEachLine(log, [&](QByteArrayView line) {
        if (isBlankLine(line))
            return;
        out.append(record(line));
        out.append("\r\n", 2);
    });
    return out;
}

} // namespace zep::adif
