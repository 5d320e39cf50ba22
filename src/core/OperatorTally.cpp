#include "core/OperatorTally.h"

#include "core/QsoLine.h"
#include "core/SortedList.h"

#include <algorithm>

namespace zep {

OperatorTally::Field OperatorTally::fieldOf(const QString &line, qsizetype index) {
    Field f;
    f.line = index;
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
    const auto at = std::upper_bound(sorted_.begin(), sorted_.end(), f, before);
    const Field *left = at == sorted_.begin() ? nullptr : &*(at - 1);
    const Field *right = at == sorted_.end() ? nullptr : &*at;
    if (right)
        count_ -= differ(left, right);
    count_ += differ(left, &f);
    if (right)
        count_ += differ(&f, right);
    sorted_.insert(at, f);
}

bool OperatorTally::remove(const Field &f) {
    const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), f, before);
    if (at == sorted_.end() || at->line != f.line || less(*at, f) || less(f, *at))
        return false; // a line that was never counted: the whole log is counted again
    const Field *left = at == sorted_.begin() ? nullptr : &*(at - 1);
    const Field *right = at + 1 == sorted_.end() ? nullptr : &*(at + 1);
    count_ -= differ(left, &*at);
    if (right) {
        count_ -= differ(&*at, right);
        count_ += differ(left, right);
    }
    sorted_.erase(at);
    return true;
}

void OperatorTally::recount(const QStringList &lines) {
    // The fields are made in the order of the lines (one pass over the log's strings), then
    // sorted through small keys: moving 56-byte fields is what a sort of a log of years would
    // cost. A key that is not packed (rare) compares through its field.
    std::vector<Field> fields;
    fields.reserve(size_t(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        fields.push_back(fieldOf(lines.at(i), i));
    struct Key {
        quint64 high, low;
        quint32 line;
        bool packed;
    };
    std::vector<Key> keys;
    keys.reserve(fields.size());
    for (const Field &f : fields)
        keys.push_back({f.high, f.low, quint32(f.line), f.packed});
    std::sort(keys.begin(), keys.end(), [&fields](const Key &a, const Key &b) {
        if (a.packed && b.packed) {
            if (a.high != b.high)
                return a.high < b.high;
            if (a.low != b.low)
                return a.low < b.low;
            return a.line < b.line;
        }
        return before(fields[a.line], fields[b.line]);
    });
    sorted_.clear();
    sorted_.reserve(keys.size() + 64);
    count_ = 0;
    const Field *previous = nullptr;
    for (const Key &k : keys) {
        const Field &f = fields[k.line];
        count_ += differ(previous, &f);
        sorted_.push_back(f);
        previous = &f;
    }
}

bool OperatorTally::apply(const LogChange &change) {
    // Each field added or taken out moves the fields after it: beyond a few hundred lines
    // changed, one sort of the whole log costs less.
    constexpr qsizetype fewLines = 256;
    const bool atEnd = change.removed.isEmpty() && change.at == qsizetype(sorted_.size());
    if ((!atEnd && !change.samePlaces()) || change.removed.size() + change.added.size() > fewLines)
        return false;
    for (qsizetype i = 0; i < change.removed.size(); ++i)
        if (!remove(fieldOf(change.removed.at(i), change.at + i)))
            return false;
    for (qsizetype i = 0; i < change.added.size(); ++i)
        add(fieldOf(change.added.at(i), change.at + i));
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
    sorted_.clear();
    count_ = 0;
}

} // namespace zep
