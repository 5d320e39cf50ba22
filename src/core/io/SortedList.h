#pragma once

#include <QString>
#include <QStringView>

#include <algorithm>

namespace zep {

/// Order of the sorted list boxes: ascending on the whole text, letters compared without
/// regard to case (each character case-folded, as QString::compare with Qt::CaseInsensitive
/// does). Use with std::stable_sort so that equal entries keep their order of arrival.
/// Call signs are plain ASCII almost always, so that case is folded without a table look-up.
inline int sortedListCompare(QStringView a, QStringView b) {
    const auto fold = [](char16_t c) -> char16_t {
        if (c < 0x80)
            return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
        return QChar::toCaseFolded(c);
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = a[i].unicode(), cb = b[i].unicode();
        if (ca == cb)
            continue;
        const char16_t fa = fold(ca), fb = fold(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool sortedListLess(QStringView a, QStringView b) {
    return sortedListCompare(a, b) < 0;
}
inline bool sortedListLess(const QString &a, const QString &b) {
    return sortedListCompare(a, b) < 0;
}

} // namespace zep
