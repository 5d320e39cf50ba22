#pragma once

#include "core/io/Clock.h"
#include "core/io/IoResult.h"
#include "core/reports/LogListing.h"
#include "platform/Printer.h"
#include "platform/WindowServices.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QWidget;

namespace zep {

/// The QSO lines of one reference's activity log (a log not created yet reads as empty).
struct LogLines {
    IoResult status;
    QStringList lines;
};
LogLines readLogOf(const QString &programDir, const QString &number);

/// The reference a listing, a printout or a saved log names: the first reference of a single
/// activation, or for a double one the reference the operator picks in `Selection_Acti`.
/// Empty when that window was closed without a choice: the operation is then dropped.
QString listingReference(const CurrentActivation &activation, ClockControl *clock, QWidget *parent);

/// "Enregistrer" of the listing windows: counts the operators, asks the reference, writes the
/// listing of `body` (the window's list as shown) and tells the operator the file's name, or
/// why it could not be written. True when the file was written.
bool saveListingFromWindow(const WindowServices &services, ClockControl *clock, QWidget *parent,
                           ListingVariant variant, const QStringList &body);

/// The printing job of the log printout: Courier New bold 8 points, the lines, one job; the
/// printer's font is given back as it was. A cancelled printer dialog prints nothing.
PrintJob logPrintoutJob(const QStringList &lines);

/// "Imprimer" of the log display (or its preview): asks the reference, reads its log and its
/// record, and runs the printout on the printer or in the preview. False when nothing was
/// handed to the printing service (no reference chosen, a file that cannot be read).
bool printLogFromWindow(const WindowServices &services, ClockControl *clock, QWidget *parent,
                        bool preview);

/// A listing window's title: `prefix` and the reference, or both references joined by " et "
/// for a double activation.
QString activationTitle(const QString &prefix, const CurrentActivation &activation);

/// The fixed-pitch font of the listing windows' lists and headings.
QFont listingWindowFont();

// The pieces the listing windows share: the bold centred title `Label3`, the column heading
// `Label2` and the list, both in the fixed-pitch font.
QLabel *newListingTitle(QWidget *parent);
QLabel *newListingHeading(QWidget *parent);
QListWidget *newListingList(QWidget *parent, const QString &name);
/// The texts of a list's items, in order: the body of a saved listing.
QStringList listingEntries(const QListWidget *list);
/// Centres a loaded listing window and brings it to the front.
void showListingWindow(QWidget *window);

} // namespace zep
