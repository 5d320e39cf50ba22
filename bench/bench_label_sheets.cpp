// Timings of QSL label printing: 400 labels of a busy activation laid out and drawn into a PDF
// document, on sixteen-label sheets (25 sheets) and twenty-four-label sheets (17 sheets).

#include "BenchData.h"

#include "core/io/Dialogs.h"
#include "labels/LabelPrinting.h"
#include "labels/SelectionEntry.h"
#include "platform/QtPrinter.h"

#include <QApplication>
#include <QPageLayout>
#include <benchmark/benchmark.h>

using namespace zep;

namespace {

constexpr int labelCount = 400;

const LabelRun &run(int format) {
    static const QStringList entries = [] {
        const bench::Lines made;
        return sortedSelectionEntries(made.log.mid(0, labelCount));
    }();
    static std::map<int, LabelRun> runs;
    LabelRun &r = runs[format];
    if (r.entries.isEmpty()) {
        r.format = format;
        r.content.reference = {QStringLiteral("DFCF 34-012"), QStringLiteral("Chateau de Lavagnac"),
                               QStringLiteral("3415"), QStringLiteral("34530"),
                               QStringLiteral("Montagnac")};
        r.content.activator = QStringLiteral("Q0ZEP");
        r.content.transceiver = QStringLiteral("FT-817");
        r.content.antenna = QStringLiteral("Dipole");
        r.entries = entries;
        r.restoreFontName = QStringLiteral("Sans Serif");
    }
    return r;
}

// Lines of every sheet computed, nothing drawn.
void BM_LabelLayout(benchmark::State &state) {
    const LabelRun &r = run(int(state.range(0)));
    const SheetLayout layout = sheetLayout(r.format);
    const int perRow = labelsPerRow(layout);
    for (auto _ : state) {
        qsizetype lines = 0;
        for (qsizetype i = 0, row = 0; i < r.entries.size(); i += perRow, row = (row + 1) % 8) {
            if (layout == SheetLayout::TwentyFour) {
                const QString three[3] = {r.entries.value(i), r.entries.value(i + 1),
                                          r.entries.value(i + 2)};
                lines += twentyFourLabelRow(r.content, three, 0).size();
            } else {
                lines += sixteenLabelRow(layout, r.content, r.entries.value(i),
                                         r.entries.value(i + 1), int(row))
                             .size();
            }
        }
        benchmark::DoNotOptimize(lines);
    }
}

// The whole run into a PDF document: lines, fonts, pages drawn and the document closed.
void BM_LabelsIntoPdf(benchmark::State &state) {
    const LabelRun &r = run(int(state.range(0)));
    ScriptedDialogs dialogs;
    int pages = 0;
    qsizetype bytes = 0;
    for (auto _ : state) {
        QtPrinter printer(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Point));
        printLabels(printer, dialogs, r);
        if (!printer.finish())
            state.SkipWithError("PDF not made");
        pages = printer.pagesDrawn();
        bytes = printer.pdf().size();
    }
    state.counters["pages"] = pages;
    state.counters["ko"] = double(bytes) / 1024;
}

BENCHMARK(BM_LabelLayout)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelsIntoPdf)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    // Headless: fonts are measured and drawn without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
