#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace zep {
class PrefixTable;
}

// The ADIF DXCC entity number of each country code of the program's prefix table
// (Continents_DXCC.csv), generated with the table from the same country-files data by
// tools/make_prefix_table.py (see PrefixDxccTable.cpp).

namespace zep::prefixdxcc {

struct Row {
    const char *code; ///< the table's third field: "F", "TK", "3D2/c"
    int dxcc;         ///< ADIF entity number: 227, 214, 489
};
/// Sorted by code, byte by byte.
extern const Row rows[];
extern const int rowCount;

/// The entity number of a country code, compared exactly ("F" 227, "TK" 214); 0 for a code
/// the program's table does not use (a country an operator added to their own table).
int dxccOfCode(QStringView code);

/// The entity of a call sign (ASCII) through a prefix table, as `PrefixTable::lookup` finds
/// its country: the code of the earliest line whose prefix begins the call, then that code's
/// number; 0 when no line matches or the code has none. The table is indexed once, by the
/// bytes of its prefixes, so that a whole log is looked up without building a text per call.
/// Prefixes outside ASCII or longer than 15 characters begin no call sign of the log.
class EntityFinder {
public:
    explicit EntityFinder(const PrefixTable &table);
    /// The same from the bytes of a table file, read by `PrefixTable::parse`.
    explicit EntityFinder(const QByteArray &tableFile);
    int operator()(QByteArrayView call) const;

private:
    /// Adds the prefix of the table's `line`th usable line (the earliest line wins).
    void add(const char *key, qsizetype length, int line, int dxcc);
    /// The index's size for `lines` prefixes.
    void prepare(qsizetype lines);
    /// Longer prefixes cannot begin a call sign of the log, which has 12 columns.
    static constexpr qsizetype longestKey = 15;
    /// One prefix of the table, its bytes held in the slot: the whole index is a flat array
    /// that stays in the processor's cache while a log of years is looked up.
    struct Slot {
        char key[longestKey];
        std::uint8_t length = 0; ///< 0: an empty slot
        int line = 0;            ///< the first line of the table with this prefix
        int dxcc = 0;
    };
    // FNV-1a, one byte after the other.
    static constexpr std::uint64_t hashSeed = 14695981039346656037ull;
    static std::uint64_t hashStep(std::uint64_t h, char c) {
        return (h ^ std::uint8_t(c)) * 1099511628211ull;
    }
    static std::uint64_t hashOf(const char *bytes, qsizetype n) {
        std::uint64_t h = hashSeed;
        for (qsizetype i = 0; i < n; ++i)
            h = hashStep(h, bytes[i]);
        return h;
    }
    const Slot *find(const char *bytes, qsizetype n) const {
        return find(bytes, n, hashOf(bytes, n));
    }
    const Slot *find(const char *bytes, qsizetype n, std::uint64_t hash) const;

    /// One bit per hash of each prefix: most beginnings of a call sign are no prefix, and this
    /// bit set, small enough to stay in the processor's nearest cache, says so at once.
    static constexpr std::size_t filterBits = std::size_t(1) << 18;
    std::vector<std::uint64_t> filter_;
    std::vector<Slot> slots_; ///< open addressing, a power of two at most half full
    qsizetype longest_ = 0;
};

} // namespace zep::prefixdxcc
