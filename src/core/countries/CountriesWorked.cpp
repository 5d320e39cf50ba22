#include "core/countries/CountriesWorked.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/SortedList.h"
#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace zep {

namespace {

// Unknown call signs named in their entry; the rest are counted only.
constexpr qsizetype unknownShown = 10;

void sortAsListBox(QStringList &entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString &a, const QString &b) { return sortedListLess(a, b); });
}

} // namespace

QString callOfListItem(const QString &item) {
    return qsoLineOfItem(item).mid(qsocol::call - 1, qsocol::callWidth).trimmed().toString();
}

QString countryEntry(const QString &code, const QString &name) {
    return code.leftJustified(5, QLatin1Char(' ')) + QLatin1Char(' ') + name;
}

CountriesWorked tallyCountries(const PrefixTable &table, const QStringList &callSigns) {
    CountriesWorked worked;
    // A code longer than 5 characters in an edited table still gives one entry: codes are
    // compared whole, not through the entry's first 5 characters.
    QSet<QString> codes;
    QSet<QString> unknown;
    for (const QString &call : callSigns) {
        if (call.isEmpty())
            continue;
        const CountryMatch match = table.lookup(call);
        if (!match.found) {
            if (!unknown.contains(call)) {
                unknown.insert(call);
                worked.unknown.append(call);
            }
            continue;
        }
        if (codes.contains(match.code))
            continue;
        codes.insert(match.code);
        worked.entries.append(countryEntry(match.code, match.name));
    }
    worked.countries = int(worked.entries.size());
    sortAsListBox(worked.unknown);
    if (!worked.unknown.isEmpty()) {
        QString name =
            QStringLiteral("Indicatifs sans pays dans la table (%1) : ").arg(worked.unknown.size());
        name += worked.unknown.first(std::min(worked.unknown.size(), unknownShown))
                    .join(QStringLiteral(", "));
        if (worked.unknown.size() > unknownShown)
            name += QStringLiteral(", ...");
        worked.entries.append(countryEntry(unknownCountryCode, name));
    }
    sortAsListBox(worked.entries);
    return worked;
}

QString countriesFilePath(const QString &programDir, const QString &reference) {
    return dataFile(programDir, reference + QStringLiteral("_Prefixes.txt"));
}

QStringList countriesFileLines(const QString &reference, const QStringList &entries) {
    return QStringList{QStringLiteral("Pays contactés activité ") + reference} + entries;
}

QByteArray builtInPrefixTable() {
    QFile table(QStringLiteral(":/tables/") + prefixTableFileName);
    return table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
}

IoResult installPrefixTable(const QString &programDir, bool *installed) {
    if (installed)
        *installed = false;
    const QString path = dataFile(programDir, prefixTableFileName);
    if (fileExists(path))
        return IoResult::success();
    const IoResult written = writeBytesFile(path, builtInPrefixTable());
    if (written && installed)
        *installed = true;
    return written;
}

} // namespace zep
