#include "reports/ListingActions.h"

#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "core/reports/Statistics.h"
#include "platform/Colors.h"
#include "platform/QtPrinter.h"
#include "setup/Selection_Acti.h"

#include <QLabel>
#include <QListWidget>

namespace zep {

LogLines readLogOf(const QString &programDir, const QString &number) {
    ActivityLog::Lines read = ActivityLog(activityLogPath(programDir, number)).read();
    return {read.status, std::move(read.lines)};
}

QString listingReference(const CurrentActivation &activation, ClockControl *clock,
                         QWidget *parent) {
    // No previous choice is carried over: a window closed without a choice must not make the
    // listing name a reference the operator did not pick this time.
    return chooseReference(activation, clock, QString(), parent);
}

bool saveListingFromWindow(const WindowServices &services, ClockControl *clock, QWidget *parent,
                           ListingVariant variant, const QStringList &body) {
    const CurrentActivation activation = services.activation.currentActivation();
    // The count is taken afresh from the log, so that it matches the log as it is now.
    const LogLines log = readLogOf(services.programDir, activation.reference);
    if (!log.status) {
        services.dialogs.message(log.status.message);
        return false;
    }
    const int operators = countOperators(log.lines).count;

    const QString reference = listingReference(activation, clock, parent);
    if (reference.isEmpty())
        return false;
    const ListingHeaderRead header = readListingHeader(services.programDir, reference);
    if (!header.status) {
        services.dialogs.message(header.status.message);
        return false;
    }
    const SavedListing saved =
        saveListing(services.programDir, header.header, activation.date, variant, body, operators);
    services.dialogs.message(saved.status ? listingSavedMessage(saved.fileName)
                                          : saved.status.message);
    return saved.status.ok;
}

PrintJob logPrintoutJob(const QStringList &lines) {
    return [lines](Printer &printer) {
        const QString previousFont = printer.fontName();
        const double previousSize = printer.fontSize();
        printer.setFontName(QStringLiteral("Courier New"));
        printer.setFontBold(true);
        printer.setFontSize(8);
        // A cancelled dialog means "do not print": nothing reaches the printer.
        if (printer.choosePrinter()) {
            for (const QString &line : lines)
                printer.printLine(line);
            printer.endJob();
        }
        printer.setFontBold(false);
        printer.setFontName(previousFont);
        printer.setFontSize(previousSize);
    };
}

bool printLogFromWindow(const WindowServices &services, ClockControl *clock, QWidget *parent,
                        bool preview) {
    const CurrentActivation activation = services.activation.currentActivation();
    const QString reference = listingReference(activation, clock, parent);
    if (reference.isEmpty())
        return false;
    const ListingHeaderRead header = readListingHeader(services.programDir, reference);
    if (!header.status) {
        services.dialogs.message(header.status.message);
        return false;
    }
    // The printout reads the log of the reference it names.
    const LogLines log = readLogOf(services.programDir, reference);
    if (!log.status) {
        services.dialogs.message(log.status.message);
        return false;
    }
    const PrintJob job = logPrintoutJob(printedLogLines(header.header, log.lines));
    if (preview)
        services.printing.preview(job, parent);
    else
        services.printing.print(job, parent);
    return true;
}

QString activationTitle(const QString &prefix, const CurrentActivation &a) {
    return a.isDouble ? prefix + a.reference + QStringLiteral(" et ") + a.secondReference
                      : prefix + a.reference;
}

QFont listingWindowFont() {
    return printerFont(QStringLiteral("Courier New"), 9, false);
}

QLabel *newListingTitle(QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("Label3"));
    QFont titleFont = label->font();
    titleFont.setBold(true);
    label->setFont(titleFont);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel *newListingHeading(QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("Label2"));
    label->setFont(listingWindowFont());
    label->setTextFormat(Qt::PlainText);
    return label;
}

QListWidget *newListingList(QWidget *parent, const QString &name) {
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setFont(listingWindowFont());
    list->setUniformItemSizes(true);
    return list;
}

QStringList listingEntries(const QListWidget *list) {
    QStringList entries;
    entries.reserve(list->count());
    for (int row = 0; row < list->count(); ++row)
        entries.append(list->item(row)->text());
    return entries;
}

void showListingWindow(QWidget *window) {
    centreOnScreen(window);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace zep
