#pragma once

#include "core/io/IoResult.h"

#include <QString>
#include <QStringList>

namespace zep {

/// The two listings of a log that the activator keeps or sends on: the log in log order and the
/// log sorted by call sign ("Alpha"). They differ by their column heading and file name only.
enum class ListingVariant { Log, Alpha };

namespace listing {

/// Column heading of the saved log listing and of the printout (104 characters).
inline const QString logHeading =
    QStringLiteral("     N°    Date      QTR   Indicatif     Dpt   Prenom     RST R   E   Mode  "
                   "  Bande         Observations");
/// Column heading of the saved sorted listing (101 characters).
inline const QString alphaHeading =
    QStringLiteral("   N°    Date     QTR   Indicatif     Dpt   Prenom     RST R   E   Mode    "
                   "Bande         Observations");
/// Heading over the lists of the log display and sorted log windows (106 characters).
inline const QString windowHeading =
    QStringLiteral("   N°      Date      QTR   Indicatif          Dpt   Prenom      RST R    E   "
                   "Mode    Bande    Observations");

/// The program's credit at the foot of every listing and printout.
QString creditText();

} // namespace listing

/// What the title block names: one reference's activation record, every value trimmed.
/// `number` is the reference the listing is made for, whether or not the list holds it.
struct ListingHeader {
    QString number, type, name, activator, date, canton, postalCode, commune;
};

/// Reads the title block of `number` from the activation list file of `programDir`: the values
/// of the last line whose reference number is `number`; all empty when no line is (a missing
/// list file holds no line). A list file that cannot be read is a failure.
struct ListingHeaderRead {
    IoResult status;
    ListingHeader header;
};
ListingHeaderRead readListingHeader(const QString &programDir, const QString &number);

/// "         <type> du <number> le <name> par <activator> le <date>"
QString listingTitleLine(const ListingHeader &h);
/// "                   N° du Canton <canton>   Code Postal <code>   Commune <commune>"
QString listingLocationLine(const ListingHeader &h);
/// The operator count with its sign blank, the digits starting in column 32.
QString listingCountLine(int operators);

/// One numbered line of the listing windows: the number right-aligned in 5 characters (a
/// longer number is written whole), 2 blanks, the QSO line as stored.
QString listingItem(int number, const QString &qsoLine);
/// The items of a whole log in log order, numbered from 1.
QStringList listingItems(const QStringList &qsoLines);

/// The sort key of a QSO in the sorted log: the line from the call sign (column 18) to its end,
/// one blank, then the date and time columns (the first 17 characters).
QString alphaSortKey(const QString &qsoLine);
/// The sorted log: QSOs ordered by their sort key (as the sorted list boxes order text: case
/// ignored, equal keys in log order), exact duplicates dropped, numbered from 1, each item in
/// the listing item form with the QSO line in its own column order.
QStringList alphaListingItems(const QStringList &qsoLines);

/// The whole listing file, line by line: title block, heading of the variant, `body` as the
/// window shows it, the operator count and the credit line.
QStringList listingLines(const ListingHeader &h, ListingVariant variant, const QStringList &body,
                         int operators);

/// The file name: reference, "_", the activation date as jj_mm_aa, then ".txt" or " Alpha.txt".
/// A character that cannot stand in a file name ('/' or '\') becomes '_', so that an odd date
/// or reference never sends the listing into another directory.
QString listingFileName(const QString &number, const QString &activationDate,
                        ListingVariant variant);

/// Writes the listing into the program directory through the crash-safe path, replacing any
/// earlier listing of the same name. On failure an earlier file stays as it was.
struct SavedListing {
    IoResult status;
    QString fileName; ///< without its directory
};
SavedListing saveListing(const QString &programDir, const ListingHeader &h,
                         const QString &activationDate, ListingVariant variant,
                         const QStringList &body, int operators);

/// The message shown once a listing is saved.
QString listingSavedMessage(const QString &fileName);

/// One QSO of the printout: 4 blanks, the number left-aligned in 5 characters, 1 blank, the
/// QSO line as stored.
QString printedLogLine(int number, const QString &qsoLine);
/// Every line of the log printout in order: the title block and heading (six lines), one line
/// per QSO, an empty line and the credit line. No operator count.
QStringList printedLogLines(const ListingHeader &h, const QStringList &qsoLines);

} // namespace zep
