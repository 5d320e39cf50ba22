#pragma once

#include <QString>

namespace zep {

/// Order of the sorted list boxes: ascending on the whole text, letters compared without
/// regard to case. Use with std::stable_sort so that equal entries keep their order of arrival.
inline bool sortedListLess(const QString &a, const QString &b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

} // namespace zep
