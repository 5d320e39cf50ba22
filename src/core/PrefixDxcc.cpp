#include "core/PrefixDxcc.h"

#include "core/PrefixTable.h"

#include <QByteArray>

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

int EntityFinder::operator()(QByteArrayView call) {
    const CountryMatch match = table_.lookup(QString::fromLatin1(call));
    if (!match.found)
        return 0;
    auto it = codes_.constFind(match.code);
    if (it == codes_.constEnd())
        it = codes_.insert(match.code, dxccOfCode(match.code));
    return *it;
}

} // namespace zep::prefixdxcc
