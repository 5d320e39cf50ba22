#include "core/reports/TrafficReport.h"

#include "core/log/ActivityLog.h"
#include "core/log/QsoColumns.h"
#include "core/log/QsoLine.h"

#include <cstring>

namespace zep::ctf {

namespace {

/// Copies `width` characters of the QSO line from column `first` to column `to` of the
/// report line; what lies past the end of a short line stays blank.
void copyColumns(char *out, int to, QByteArrayView line, int first, int width) {
    const QByteArrayView field = qsoColumn(line, first, width);
    if (!field.isEmpty())
        std::memcpy(out + to - 1, field.data(), size_t(field.size()));
}

/// Fills the 199 columns of one report line at `out` from the QSO line `q`.
void writeLine(char *out, QByteArrayView q) {
    namespace col = qsocol;
    std::memset(out, ' ', lineLength);
    copyColumns(out, 1, q, col::date, col::dateWidth);
    copyColumns(out, 11, q, col::call, col::callWidth);
    copyColumns(out, 23, q, col::time, col::timeWidth);
    copyColumns(out, 30, q, col::time, col::timeWidth);
    copyColumns(out, 37, q, col::department, col::departmentWidth);
    const QByteArrayView text = bandText(trimBlanks(qsoColumn(q, col::band, col::bandWidth)));
    std::memcpy(out + 49, text.data(), size_t(text.size()));
    copyColumns(out, 60, q, col::mode, col::modeWidth);
    copyColumns(out, 69, q, col::rstReceived, col::rstWidth);
    copyColumns(out, 79, q, col::rstSent, col::rstWidth);
    copyColumns(out, 111, q, col::firstName, col::firstNameWidth);
    out[134] = '1';
    out[164] = '0';
    copyColumns(out, 169, q, col::remarks, col::remarksWidth);
    out[198] = '*';
}

} // namespace

QByteArrayView bandText(QByteArrayView bandNumber) {
    struct Row {
        QByteArrayView number, text;
    };
    static constexpr Row rows[] = {
        {"1.8", "1.8 Mhz "}, {"3.5", "3.5 Mhz "}, {"7", "7.0 Mhz "},   {"10", "10 Mhz  "},
        {"14", "14 Mhz  "},  {"18", "18 Mhz  "},  {"21", "21 Mhz  "},  {"24", "24 Mhz  "},
        {"28", "28 Mhz  "},  {"50", "50 Mhz  "},  {"144", "144 Mhz "},
    };
    for (const Row &row : rows)
        if (row.number == bandNumber)
            return row.text;
    return "        ";
}

QByteArray line(QByteArrayView qsoLine) {
    QByteArray out(lineLength, ' ');
    writeLine(out.data(), qsoLine);
    return out;
}

QByteArray document(QByteArrayView log) {
    qsizetype count = 0;
    rawfile::forEachLine(log, [&](QByteArrayView l) { count += isBlankLine(l) ? 0 : 1; });
    QByteArray out(count * (lineLength + 2), Qt::Uninitialized);
    char *at = out.data();
    rawfile::forEachLine(log, [&](QByteArrayView l) {
        if (isBlankLine(l))
            return;
        writeLine(at, l);
        at[lineLength] = '\r';
        at[lineLength + 1] = '\n';
        at += lineLength + 2;
    });
    return out;
}

QString fileName(const QString &reference) {
    return reference.trimmed() + QStringLiteral(".ctf");
}

} // namespace zep::ctf
