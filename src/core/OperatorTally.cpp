#include "core/OperatorTally.h"

#include "core/QsoLine.h"
#include "core/SortedList.h"

#include <algorithm>

namespace zep {

OperatorTally::Field OperatorTally::fieldOf(const QString &line, qsizetype index) {
    Field f;
    f.line = quint32(index);
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
    const QStringView trimmed = text.trimmed();
    f.trimStart = quint8(trimmed.isEmpty() ? 0 : trimmed.data() - text.data());
    f.trimSize = quint8(trimmed.size());
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
    const quint8 size = a ? a->trimSize : 0;
    if (size != (b ? b->trimSize : 0))
        return true;
    for (quint8 i = 0; i < size; ++i)
        if (a->text[size_t(a->trimStart + i)] != b->text[size_t(b->trimStart + i)])
            return true;
    return false;
}

bool OperatorTally::before(const Field &a, const Field &b) {
    // Nearly every call sign is packed: two numbers and the line decide.
    if (a.packed && b.packed) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return a.line < b.line;
    }
    if (less(a, b))
        return true;
    if (less(b, a))
        return false;
    return a.line < b.line;
}

void OperatorTally::add(const Field &f) {
    // Among the fields equal to it in the sort, at its line's place: the order a stable sort
    // of the whole log in file order gives, so the count is the one a full sort gives.
    const auto at =
        std::upper_bound(order_.begin(), order_.end(), f,
                         [this](const Field &x, quint32 y) { return before(x, fields_[y]); });
    const Field *left = at == order_.begin() ? nullptr : &fields_[*(at - 1)];
    const Field *right = at == order_.end() ? nullptr : &fields_[*at];
    if (right)
        count_ -= differ(left, right);
    count_ += differ(left, &f);
    if (right)
        count_ += differ(&f, right);
    order_.insert(at, f.line);
}

bool OperatorTally::remove(quint32 line) {
    const Field &f = fields_[line];
    const auto at =
        std::lower_bound(order_.begin(), order_.end(), f,
                         [this](quint32 x, const Field &y) { return before(fields_[x], y); });
    if (at == order_.end() || *at != line)
        return false; // a line that was never counted: the whole log is counted again
    const Field *left = at == order_.begin() ? nullptr : &fields_[*(at - 1)];
    const Field *right = at + 1 == order_.end() ? nullptr : &fields_[*(at + 1)];
    count_ -= differ(left, &f);
    if (right) {
        count_ -= differ(&f, right);
        count_ += differ(left, right);
    }
    order_.erase(at);
    return true;
}

namespace {

using Key = unsigned __int128;

/// A packed field's call sign, blanks trimmed, case kept, as one number: two packed fields are
/// two operators exactly when their numbers differ (a blank field is 0, as nothing is).
Key exactKey(const std::array<char16_t, 12> &text, quint8 start, quint8 size) {
    Key k = size;
    for (quint8 i = 0; i < size; ++i)
        k = k << 8 | Key(text[size_t(start + i)]);
    return k;
}

} // namespace

void OperatorTally::recount(const QStringList &lines) {
    // The fields are kept in the order of the lines; the sorted order is an order of line
    // numbers. A packed field sorts on one 128-bit number (its 12 folded characters take 96
    // bits, its line the last 32) and is told from its neighbour by another, so that nearly
    // the whole count compares numbers in order; the few fields that are not packed are sorted
    // apart and merged in.
    fields_.clear();
    fields_.reserve(size_t(lines.size()) + 64);
    for (qsizetype i = 0; i < lines.size(); ++i)
        fields_.push_back(fieldOf(lines.at(i), i));
    struct Packed {
        Key order, exact;
    };
    std::vector<Packed> packed;
    std::vector<quint32> others;
    packed.reserve(fields_.size());
    for (const Field &f : fields_) {
        if (f.packed)
            packed.push_back({Key(f.high) << 64 | Key(f.low) << 32 | f.line,
                              exactKey(f.text, f.trimStart, f.trimSize)});
        else
            others.push_back(f.line);
    }
    std::sort(packed.begin(), packed.end(),
              [](const Packed &a, const Packed &b) { return a.order < b.order; });
    std::sort(others.begin(), others.end(),
              [this](quint32 a, quint32 b) { return before(fields_[a], fields_[b]); });

    order_.clear();
    order_.reserve(fields_.size() + 64);
    count_ = 0;
    const Field *previous = nullptr;
    const Packed *previousPacked = nullptr; ///< the previous field, when it was packed
    auto p = packed.begin();
    auto o = others.begin();
    while (p != packed.end() || o != others.end()) {
        if (o == others.end() ||
            (p != packed.end() && before(fields_[quint32(p->order)], fields_[*o]))) {
            const quint32 line = quint32(p->order);
            if (previousPacked || !previous)
                count_ += (previousPacked ? previousPacked->exact : Key(0)) != p->exact;
            else
                count_ += differ(previous, &fields_[line]);
            previous = &fields_[line];
            previousPacked = &*p++;
            order_.push_back(line);
        } else {
            const quint32 line = *o++;
            count_ += differ(previous, &fields_[line]);
            previous = &fields_[line];
            previousPacked = nullptr;
            order_.push_back(line);
        }
    }
}

bool OperatorTally::apply(const LogChange &change) {
    // Each line added or taken out moves the line numbers after it in the sorted order: beyond
    // a few hundred lines changed, one sort of the whole log costs less.
    constexpr qsizetype fewLines = 256;
    const bool atEnd = change.removed.isEmpty() && change.at == qsizetype(fields_.size());
    if ((!atEnd && !change.samePlaces()) ||
        change.removed.size() + change.added.size() > fewLines ||
        change.at + change.removed.size() > qsizetype(fields_.size()))
        return false;
    for (qsizetype i = 0; i < change.removed.size(); ++i) {
        const quint32 line = quint32(change.at + i);
        // The field counted must be the one of the line said removed.
        const Field gone = fieldOf(change.removed.at(i), line);
        if (gone.size != fields_[line].size || gone.text != fields_[line].text || !remove(line))
            return false;
    }
    for (qsizetype i = 0; i < change.added.size(); ++i) {
        const Field f = fieldOf(change.added.at(i), change.at + i);
        if (f.line < fields_.size())
            fields_[f.line] = f;
        else
            fields_.push_back(f);
        add(f);
    }
    return true;
}

int OperatorTally::count(const LogReading &log) {
    followLog(
        seen_, log, [this](const LogChange &change) { return apply(change); },
        [this](const QStringList &lines) { recount(lines); });
    return count_;
}

void OperatorTally::clear() {
    seen_ = 0;
    fields_.clear();
    order_.clear();
    count_ = 0;
}

} // namespace zep
