#include "core/OperatorTally.h"

#include "core/QsoLine.h"
#include "core/SortedList.h"

#include <algorithm>

namespace zep {

OperatorTally::Field OperatorTally::fieldOf(const QString &line) {
    Field f;
    const QStringView text = QStringView(line).mid(qsocol::call - 1, qsocol::callWidth);
    f.size = quint8(text.size());
    bool ascii = text.size() == qsocol::callWidth;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        f.text[size_t(i)] = c;
        if (c >= 0x80)
            ascii = false;
        if (!ascii)
            continue;
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + (u'a' - u'A'));
        if (i < 8)
            f.high = f.high << 8 | c;
        else
            f.low = f.low << 8 | c;
    }
    f.packed = ascii;
    return f;
}

bool OperatorTally::less(const Field &a, const Field &b) {
    if (a.packed && b.packed)
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    return sortedListLess(QStringView(a.text.data(), a.size), QStringView(b.text.data(), b.size));
}

/// Whether two neighbours of the sorted list are two operators: their call signs, blanks
/// trimmed, differ exactly (case included), as Compte_Operateurs compares them. Nothing before
/// the first field stands for an empty call sign, which a blank field equals.
bool OperatorTally::differ(const Field *a, const Field *b) {
    const auto trimmed = [](const Field *f) {
        return f ? QStringView(f->text.data(), f->size).trimmed() : QStringView();
    };
    return trimmed(a) != trimmed(b);
}

void OperatorTally::add(const Field &f) {
    // After the fields equal to it in the sort: the order a stable sort of the whole log in
    // file order gives, so the count is the one a full sort gives.
    const auto at = std::upper_bound(sorted_.begin(), sorted_.end(), f, less);
    const Field *left = at == sorted_.begin() ? nullptr : &*(at - 1);
    const Field *right = at == sorted_.end() ? nullptr : &*at;
    if (right)
        count_ -= differ(left, right);
    count_ += differ(left, &f);
    if (right)
        count_ += differ(&f, right);
    sorted_.insert(at, f);
}

int OperatorTally::count(const QStringList &lines, quint64 lineage) {
    const bool grown = lineage != 0 && lineage == lineage_ && lines.size() >= counted_;
    if (!grown) {
        sorted_.clear();
        sorted_.reserve(size_t(lines.size()) + 64);
        for (const QString &line : lines)
            sorted_.push_back(fieldOf(line));
        std::stable_sort(sorted_.begin(), sorted_.end(), less);
        count_ = 0;
        const Field *previous = nullptr;
        for (const Field &f : sorted_) {
            count_ += differ(previous, &f);
            previous = &f;
        }
    } else {
        for (qsizetype i = counted_; i < lines.size(); ++i)
            add(fieldOf(lines.at(i)));
    }
    lineage_ = lineage;
    counted_ = lines.size();
    return count_;
}

void OperatorTally::clear() {
    lineage_ = 0;
    counted_ = 0;
    sorted_.clear();
    count_ = 0;
}

} // namespace zep
