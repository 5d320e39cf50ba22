#include "core/countries/PrefixDxcc.h"

#include "core/countries/PrefixTable.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>

namespace zep::prefixdxcc {

int dxccOfCode(QStringView code) {
    const QByteArray key = code.toLatin1();
    const Row *end = rows + rowCount;
    const Row *hit = std::lower_bound(rows, end, key, [](const Row &row, const QByteArray &k) {
        return std::strcmp(row.code, k.constData()) < 0;
    });
    return hit != end && key == hit->code ? hit->dxcc : 0;
}

EntityFinder::EntityFinder(const PrefixTable &table) : filter_(filterBits / 64) {
    const QList<PrefixLine> &lines = table.lines();
    prepare(lines.size());
    // Lines in table order mostly share their code with the line before.
    QString lastCode;
    int lastDxcc = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const PrefixLine &line = lines.at(i);
        if (line.prefix.isEmpty() || line.prefix.size() > longestKey ||
            std::any_of(line.prefix.begin(), line.prefix.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; }))
            continue;
        char key[longestKey];
        const qsizetype length = line.prefix.size();
        for (qsizetype k = 0; k < length; ++k)
            key[k] = char(line.prefix.at(k).unicode());
        if (i == 0 || line.code != lastCode) {
            lastCode = line.code;
            lastDxcc = dxccOfCode(line.code);
        }
        add(key, length, int(i), lastDxcc);
    }
}

EntityFinder::EntityFinder(const QByteArray &tableFile)
    : EntityFinder(PrefixTable::parse(tableFile)) {}

void EntityFinder::prepare(qsizetype lines) {
    std::size_t capacity = 64;
    while (capacity < std::size_t(lines) * 2)
        capacity *= 2;
    slots_.assign(capacity, Slot{});
}

void EntityFinder::add(const char *key, qsizetype length, int line, int dxcc) {
    const std::uint64_t hash = hashOf(key, length);
    // A later line of the same prefix is never reached: the first stays.
    if (find(key, length, hash))
        return;
    const std::size_t mask = slots_.size() - 1;
    filter_[(hash >> 32) % filterBits / 64] |= std::uint64_t(1) << ((hash >> 32) % 64);
    std::size_t at = hash & mask;
    while (slots_[at].length != 0)
        at = (at + 1) & mask;
    Slot &slot = slots_[at];
    std::memcpy(slot.key, key, size_t(length));
    slot.length = std::uint8_t(length);
    slot.line = line;
    slot.dxcc = dxcc;
    longest_ = std::max(longest_, length);
}

const EntityFinder::Slot *EntityFinder::find(const char *bytes, qsizetype n,
                                             std::uint64_t hash) const {
    if (!((filter_[(hash >> 32) % filterBits / 64] >> ((hash >> 32) % 64)) & 1u))
        return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = slots_[at];
        if (slot.length == 0)
            return nullptr;
        if (slot.length == n && std::memcmp(slot.key, bytes, size_t(n)) == 0)
            return &slot;
    }
}

int EntityFinder::operator()(QByteArrayView call) const {
    const Slot *best = nullptr;
    const qsizetype longest = std::min(call.size(), longest_);
    // The hash of each beginning of the call extends the one before it by a byte.
    std::uint64_t hash = hashSeed;
    for (qsizetype n = 1; n <= longest; ++n) {
        hash = hashStep(hash, call[n - 1]);
        const Slot *hit = find(call.data(), n, hash);
        if (hit && (!best || hit->line < best->line))
            best = hit;
    }
    return best ? best->dxcc : 0;
}

} // namespace zep::prefixdxcc
