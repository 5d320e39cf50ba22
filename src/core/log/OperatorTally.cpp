#include "core/log/OperatorTally.h"

#include "core/io/SortedList.h"
#include "core/log/QsoLine.h"

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
/// trimmed, differ exactly (case included), as countOperators compares them. Nothing before
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

QString OperatorTally::nameOf(const Field &f) {
    return QString(reinterpret_cast<const QChar *>(f.text.data() + f.trimStart), f.trimSize);
}

std::vector<quint32>::iterator OperatorTally::headOf(const Field &f) {
    return std::lower_bound(heads_.begin(), heads_.end(), f,
                            [this](quint32 x, const Field &y) { return before(fields_[x], y); });
}

void OperatorTally::insertHead(const Field &f) {
    const auto at = headOf(f);
    if (changes_)
        changes_->edits.append({int(at - heads_.begin()), true, nameOf(f)});
    heads_.insert(at, f.line);
}

void OperatorTally::eraseHead(const Field &f) {
    const auto at = headOf(f);
    if (changes_)
        changes_->edits.append({int(at - heads_.begin()), false, nameOf(f)});
    heads_.erase(at);
}

void OperatorTally::add(const Field &f) {
    // Among the fields equal to it in the sort, at its line's place: the order a stable sort
    // of the whole log in file order gives, so the list is the one a full sort gives. Only the
    // new field and the one after it can start or stop starting an operator.
    const auto at =
        std::upper_bound(order_.begin(), order_.end(), f,
                         [this](const Field &x, quint32 y) { return before(x, fields_[y]); });
    const Field *left = at == order_.begin() ? nullptr : &fields_[*(at - 1)];
    const Field *right = at == order_.end() ? nullptr : &fields_[*at];
    const bool rightStarted = right && differ(left, right);
    const bool rightStarts = right && differ(&f, right);
    order_.insert(at, f.line);
    if (rightStarted && !rightStarts)
        eraseHead(*right);
    if (differ(left, &f))
        insertHead(f);
    if (!rightStarted && rightStarts)
        insertHead(*right);
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
    const bool rightStarted = right && differ(&f, right);
    const bool rightStarts = right && differ(left, right);
    if (differ(left, &f))
        eraseHead(f);
    if (rightStarted && !rightStarts)
        eraseHead(*right);
    if (!rightStarted && rightStarts)
        insertHead(*right);
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
    heads_.clear();
    if (changes_) {
        changes_->whole = true;
        changes_->edits.clear();
    }
    const Field *previous = nullptr;
    const Packed *previousPacked = nullptr; ///< the previous field, when it was packed
    auto p = packed.begin();
    auto o = others.begin();
    while (p != packed.end() || o != others.end()) {
        if (o == others.end() ||
            (p != packed.end() && before(fields_[quint32(p->order)], fields_[*o]))) {
            const quint32 line = quint32(p->order);
            const bool starts = previousPacked || !previous
                                    ? (previousPacked ? previousPacked->exact : Key(0)) != p->exact
                                    : differ(previous, &fields_[line]);
            if (starts)
                heads_.push_back(line);
            previous = &fields_[line];
            previousPacked = &*p++;
            order_.push_back(line);
        } else {
            const quint32 line = *o++;
            if (differ(previous, &fields_[line]))
                heads_.push_back(line);
            previous = &fields_[line];
            previousPacked = nullptr;
            order_.push_back(line);
        }
    }
}

bool OperatorTally::apply(const LogChange &change) {
    // Each line changed costs a binary search and a move of the sorted lines: beyond a few
    // hundred lines changed, one sort of the whole log costs less.
    constexpr qsizetype fewLines = 256;
    const qsizetype removed = change.removed.size(), added = change.added.size();
    if (removed + added > fewLines || change.at < 0 ||
        change.at + removed > qsizetype(fields_.size()))
        return false;
    for (qsizetype i = 0; i < removed; ++i) {
        const quint32 line = quint32(change.at + i);
        // The field counted must be the one of the line said removed.
        const Field gone = fieldOf(change.removed.at(i), line);
        if (gone.size != fields_[line].size || gone.text != fields_[line].text || !remove(line))
            return false;
    }
    // A QSO deleted or inserted moves the lines after it: they keep their order among
    // themselves and stay after the lines before the change, so only their numbers change.
    const auto after = quint32(change.at + removed);
    if (removed != added && after < fields_.size()) {
        const auto shift = quint32(added - removed); // modulo 2^32: a negative shift too
        for (std::vector<quint32> *lines : {&order_, &heads_})
            for (quint32 &line : *lines)
                if (line >= after)
                    line += shift;
    }
    if (removed != added) {
        const auto first = fields_.begin() + change.at;
        if (removed > added)
            fields_.erase(first, first + (removed - added));
        else
            fields_.insert(first, size_t(added - removed), Field{});
        for (size_t line = size_t(change.at + added); line < fields_.size(); ++line)
            fields_[line].line = quint32(line);
    }
    for (qsizetype i = 0; i < added; ++i) {
        const Field f = fieldOf(change.added.at(i), change.at + i);
        fields_[f.line] = f;
        add(f);
    }
    return true;
}

int OperatorTally::count(const LogReading &log, OperatorListChanges *changes) {
    if (changes)
        *changes = {};
    changes_ = changes;
    followLog(
        seen_, log, [this](const LogChange &change) { return apply(change); },
        [this](const QStringList &lines) { recount(lines); });
    changes_ = nullptr;
    return int(heads_.size());
}

QStringList OperatorTally::operators() const {
    QStringList names;
    names.reserve(qsizetype(heads_.size()));
    for (const quint32 line : heads_)
        names.append(nameOf(fields_[line]));
    return names;
}

void OperatorTally::clear() {
    seen_ = 0;
    fields_.clear();
    order_.clear();
    heads_.clear();
}

} // namespace zep
