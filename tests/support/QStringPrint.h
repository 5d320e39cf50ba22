#pragma once

#include <QString>

#include <ostream>

/// Failures show texts as text, not as lists of 2-byte objects.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}
