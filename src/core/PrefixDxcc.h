#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>

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

/// The entity of a call sign (ASCII) through a prefix table: the code of the first line whose
/// prefix begins it, then that code's number; 0 when no line matches or the code has none.
/// Each code is looked up once.
class EntityFinder {
public:
    explicit EntityFinder(const PrefixTable &table) : table_(table) {}
    int operator()(QByteArrayView call);

private:
    const PrefixTable &table_;
    QHash<QString, int> codes_;
};

} // namespace zep::prefixdxcc
