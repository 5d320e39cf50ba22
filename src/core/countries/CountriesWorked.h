#pragma once

#include "core/countries/PrefixTable.h"
#include "core/io/IoResult.h"

#include <QString>
#include <QStringList>

namespace zep {

/// The countries worked during an activation, as the countries window lists them: one entry per
/// country code, "code padded to 5 blanks, one blank, country name", in the order of the sorted
/// list boxes. Call signs the table does not know are gathered in one entry of their own, so
/// that the operator sees them (and can add their prefix to the table).
struct CountriesWorked {
    QStringList entries; ///< in list order
    int countries = 0;   ///< entries that name a country
    QStringList unknown; ///< the distinct call signs with no country, in list order
};

/// The call sign of an item of the entry window's QSO list: columns 18-29 of its QSO line,
/// whatever the width of the QSO number in front of it.
QString callOfListItem(const QString &item);

/// The list entry of one country.
QString countryEntry(const QString &code, const QString &name);

/// Looks up each call sign and keeps one entry per country code (the code compared whole).
CountriesWorked tallyCountries(const PrefixTable &table, const QStringList &callSigns);

/// Code shown in front of the entry gathering the unknown call signs.
inline const QString unknownCountryCode = QStringLiteral("?");

/// "<reference>_Prefixes.txt" in the program directory.
QString countriesFilePath(const QString &programDir, const QString &reference);

/// The saved file's lines: the heading with the reference, then the entries as listed.
QStringList countriesFileLines(const QString &reference, const QStringList &entries);

/// Puts the table carried by the program into the program directory when none is there; an
/// existing table, the operator's own, is never touched. `installed` tells whether it wrote.
IoResult installPrefixTable(const QString &programDir, bool *installed = nullptr);

/// The table carried by the program (the file's bytes).
QByteArray builtInPrefixTable();

} // namespace zep
