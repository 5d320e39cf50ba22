#include "labels/LabelPrinting.h"

#include "core/io/Dialogs.h"
#include "platform/Printer.h"

namespace zep {

namespace {

// `rowTop`: where the row that a line opens is printed, worked out when it is reached.
template <typename RowTop>
void printSheetLines(Printer &printer, const QList<SheetLine> &lines, RowTop rowTop) {
    for (const SheetLine &line : lines) {
        if (line.startsRow)
            printer.setCurrentY(rowTop(printer.currentY()));
        printer.setFontSize(line.size * line.scale);
        printer.setFontBold(line.bold);
        if (line.x)
            printer.setCurrentX(*line.x);
        if (line.y)
            printer.setCurrentY(*line.y);
        const double top = printer.currentY();
        printer.printLine(line.text);
        // A text printed smaller still takes the height of its line's size (a line's height
        // goes with its font size).
        if (line.scale != 1 && printer.currentY() > top)
            printer.setCurrentY(top + (printer.currentY() - top) / line.scale);
    }
}

void printSheetLines(Printer &printer, const QList<SheetLine> &lines) {
    printSheetLines(printer, lines, [](double y) { return y; });
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
    printer.setOnePagePerJob(true);

    const qsizetype count = run.entries.size();
    const double pitch = labelPitchMm(run.format);
    int row = 0;
    // Top of the sheet's first row, below its top margin.
    double firstRowTop = 0;
    const auto rowTop = [&](double y) {
        if (row == 0)
            firstRowTop = y;
        return firstRowTop + row * pitch;
    };
    for (qsizetype i = 0; i < count; i += perRow) {
        if (layout == SheetLayout::TwentyFour) {
            const QString three[3] = {run.entries.value(i), run.entries.value(i + 1),
                                      run.entries.value(i + 2)};
            printSheetLines(printer, twentyFourLabelRow(run.content, three, row * pitch));
        } else {
            printSheetLines(printer,
                            sixteenLabelRow(layout, run.content, run.entries.value(i),
                                            run.entries.value(i + 1), row),
                            rowTop);
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
    printer.setOnePagePerJob(false);
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
    printer.setOnePagePerJob(true);
    printSheetLines(printer, sheetTopMargin(sheetLayout(format)));
    printSheetLines(printer, testPageLines(format, printer.currentY()));
    printer.endJob();
    printer.setOffset(0, 0);
    printer.setOnePagePerJob(false);
    printer.setFontSize(rememberedSize);
    printer.setFontName(rememberedFont);
}

} // namespace zep
