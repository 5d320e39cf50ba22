#include "labels/LabelPrinting.h"

#include "core/Dialogs.h"
#include "platform/Printer.h"

namespace zep {

namespace {

constexpr double rowHeight24Mm = 37;

void printSheetLines(Printer &printer, const QList<SheetLine> &lines) {
    for (const SheetLine &line : lines) {
        printer.setFontSize(line.size);
        printer.setFontBold(line.bold);
        if (line.x)
            printer.setCurrentX(*line.x);
        if (line.y)
            printer.setCurrentY(*line.y);
        printer.printLine(line.text);
    }
}

} // namespace

void printLabels(Printer &printer, Dialogs &dialogs, const LabelRun &run) {
    if (!printer.choosePrinter())
        return;
    const double rememberedSize = printer.fontSize();
    const SheetLayout layout = sheetLayout(run.format);
    const int perRow = labelsPerRow(layout);
    printer.setFontName(sheetFontName(layout));
    printer.setOffset(run.offsetXmm, run.offsetYmm);

    const qsizetype count = run.entries.size();
    int row = 0;
    for (qsizetype i = 0; i < count; i += perRow) {
        if (layout == SheetLayout::TwentyFour) {
            const QString three[3] = {run.entries.value(i), run.entries.value(i + 1),
                                      run.entries.value(i + 2)};
            printSheetLines(printer, twentyFourLabelRow(run.content, three, row * rowHeight24Mm));
        } else {
            printSheetLines(printer, sixteenLabelRow(layout, run.content, run.entries.value(i),
                                                     run.entries.value(i + 1), row));
        }
        ++row;
        // No to the question ends the run; the full sheet is still sent below.
        if (row == rowsPerSheet && run.pauseEachSheet &&
            !dialogs.question(nextSheetQuestion(layout)))
            break;
        if (row == rowsPerSheet) {
            row = 0;
            printer.endJob();
        }
    }

    // A sheet only partly filled is sent; a job with nothing printed since the last full
    // sheet is thrown away.
    if (row == 0)
        printer.discardJob();
    else
        printer.endJob();
    printer.setOffset(0, 0);
    printer.setFontSize(rememberedSize);
    printer.setFontName(run.restoreFontName);
}

void printTestPage(Printer &printer, int format, double offsetXmm, double offsetYmm) {
    if (!printer.choosePrinter())
        return;
    const double rememberedSize = printer.fontSize();
    const QString rememberedFont = printer.fontName();
    printer.setFontName(QStringLiteral("Courier New"));
    printer.setOffset(offsetXmm, offsetYmm);
    printSheetLines(printer, testPageLines(format));
    printer.endJob();
    printer.setOffset(0, 0);
    printer.setFontSize(rememberedSize);
    printer.setFontName(rememberedFont);
}

} // namespace zep
