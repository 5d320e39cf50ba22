#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace zep {

class Dialogs;

/// What the log printout and the label sheets ask of a printer. Printing code is written once
/// against this interface; the same job goes to a real printer, into a PDF file, into the
/// print preview or into a recording double.
///
/// Positions are millimetres from the top-left corner of the printable area. A job is what is
/// printed between two `endJob` (or `discardJob`) calls: an ended job goes to the printer as
/// one document, a discarded one is thrown away whole.
class Printer {
public:
    virtual ~Printer() = default;

    /// Shows the system's printer dialog; printing then goes to the printer chosen there.
    /// False when the operator cancelled it.
    virtual bool choosePrinter() = 0;

    virtual QString fontName() const = 0;
    virtual void setFontName(const QString &name) = 0;
    /// Size in points.
    virtual double fontSize() const = 0;
    virtual void setFontSize(double points) = 0;
    virtual bool fontBold() const = 0;
    virtual void setFontBold(bool bold) = 0;

    /// Prints `text` at the current position, then moves to the start of the next line, one
    /// line height of the current font further down (an empty text gives an empty line). When
    /// the page is full the line goes to the top of a new page.
    virtual void printLine(const QString &text) = 0;

    /// The current position, before a line is printed.
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double mm) = 0;
    virtual void setCurrentY(double mm) = 0;

    /// Shift of everything printed from now on, in millimetres (calibration of label sheets to
    /// one printer): positive moves right and down.
    virtual void setOffset(double dxMm, double dyMm) = 0;

    /// Sheets of labels: every job stays on one page. A line below the printable area is kept
    /// on it (the printer prints what it can reach) rather than opening a new page that would
    /// carry the end of the sheet, and every sheet after it, one page too far.
    virtual void setOnePagePerJob(bool onePage) { (void)onePage; }

    /// What has been printed goes to the printer; the next printed line opens a new job.
    virtual void endJob() = 0;
    /// What has been printed since the last end is thrown away.
    virtual void discardJob() = 0;
};

/// A printing job: the whole run of a printout, from the printer dialog to the last end.
using PrintJob = std::function<void(Printer &)>;

/// Where printing jobs are run: the real printers (the job's own `choosePrinter` shows the
/// dialog, where "print to file" gives a PDF) or a preview window that renders exactly the
/// pages the printer would get.
class PrintService {
public:
    virtual ~PrintService() = default;
    virtual void print(const PrintJob &job, QWidget *parent) = 0;
    virtual void preview(const PrintJob &job, QWidget *parent) = 0;
};

/// The Qt printing service (QPrinter, QPrintDialog, QPrintPreviewDialog). A PDF file chosen
/// with "print to file" is written through the crash-safe file path; a failure is shown through
/// `dialogs` (when given) and leaves any earlier file of that name as it was.
std::unique_ptr<PrintService> makeQtPrintService(Dialogs *dialogs = nullptr);

} // namespace zep
