#pragma once

#include <QByteArrayView>

#include <algorithm>

namespace zep {

/// The `width` characters of a QSO line from 1-based column `first`, on the line's
/// Windows-1252 bytes (one byte, one column); a short line gives what it has, possibly nothing.
inline QByteArrayView qsoColumn(QByteArrayView line, int first, int width) {
    const qsizetype start = first - 1;
    if (start >= line.size())
        return {};
    return line.sliced(start, std::min<qsizetype>(width, line.size() - start));
}

/// Without the blanks on either side (blanks only, as the log pads with them).
inline QByteArrayView trimBlanks(QByteArrayView v) {
    qsizetype b = 0, e = v.size();
    while (b < e && v[b] == ' ')
        ++b;
    while (e > b && v[e - 1] == ' ')
        --e;
    return v.sliced(b, e - b);
}

/// A line holding nothing but blanks, tabs or a stray CR is no QSO (a hand-edited log may
/// end with one); the exports pass over it.
inline bool isBlankLine(QByteArrayView line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

} // namespace zep
