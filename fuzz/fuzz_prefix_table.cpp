// The country prefix table as a user may hand it over (edited, saved in another code page,
// cut short): it is read without fault, the indexed lookup answers as the plain first-match
// reading does for every call sign tried, a copy of the table answers as the table, and the
// export's entity index made straight from the file's bytes answers as the one made from the
// table it reads.

#include "FuzzSupport.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"

using namespace zep;
using namespace zep::fuzz;

namespace {

bool same(const CountryMatch &a, const CountryMatch &b) {
    return a.found == b.found && a.continent == b.continent && a.code == b.code && a.name == b.name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const PrefixTable table = PrefixTable::parse(view(data, size).toByteArray());
    const PrefixTable copy = table;

    QStringList calls = {QStringLiteral("F4ABC"),   QStringLiteral("TK5XX"),
                         QStringLiteral("ON4ZZ"),   QStringLiteral("VP2EAA"),
                         QStringLiteral("3D2AG/P"), QString(),
                         QStringLiteral("f4abc"),   QStringLiteral("EA8/DL1AA")};
    // Each prefix of the table, alone, lengthened and shortened: where the index may go wrong.
    for (qsizetype i = 0; i < table.lines().size() && i < 64; ++i) {
        const QString &prefix = table.lines().at(i).prefix;
        check(!prefix.isEmpty(), "a line with an empty prefix was kept");
        calls << prefix << prefix + QStringLiteral("1ABC") << prefix.chopped(1);
    }
    const prefixdxcc::EntityFinder fromTable(table), fromBytes(view(data, size).toByteArray());
    for (const QString &call : calls) {
        const QByteArray ascii = call.toLatin1();
        check(fromBytes(ascii) == fromTable(ascii),
              "the entity index from the file's bytes and from its table disagree", call);
        const CountryMatch indexed = table.lookup(call);
        check(same(indexed, table.scan(call)), "the index and the plain reading disagree", call);
        check(same(indexed, copy.lookup(call)), "a copied table answers otherwise", call);
    }
    for (const int line : table.skippedLines())
        check(line >= 1, "a skipped line number is out of the file");
    return 0;
}
