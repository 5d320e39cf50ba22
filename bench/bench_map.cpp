// Timings of the departments map on a busy activation (a log of 10,000 QSOs), drawn offscreen:
// the count of departments worked, the map repainted after a validation (the painting the
// entry window runs, then the map window drawing itself again), opening the map, and the
// one-off search for the label places done at the first opening of a run.

#include "BenchData.h"
#include "core/countries/MapDepartments.h"
#include "core/reports/Statistics.h"
#include "entry/DepartmentPainter.h"
#include "reports/DepartmentMapView.h"
#include "reports/DepartmentShapes.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <benchmark/benchmark.h>

using namespace zep;

namespace {

const bench::Lines *made = nullptr;

void BM_Count(benchmark::State &state) {
    for (auto _ : state) {
        const DepartmentsWorked worked =
            Colore_Departements(made->log, QStringLiteral("14"), QStringLiteral("SSB"),
                                QStringLiteral("14"), QStringLiteral("SSB"));
        benchmark::DoNotOptimize(worked.mapCount);
    }
}
BENCHMARK(BM_Count)->Unit(benchmark::kMillisecond);

// After each validation the entry window paints its strip and the map's worked set; the open
// map then draws its labels and picture again. Every other validation adds a department the
// log did not have yet on that band, so the map really changes each time.
void BM_MapRepaintAfterValidation(benchmark::State &state) {
    QWidget strip;
    DepartmentPainter painter(&strip);
    MapDepartments &shown = painter.mapDepartments();
    DepartmentMapView view(shown);
    QObject::connect(&shown, &MapDepartments::changed, &view, &DepartmentMapView::showWorked);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        state.SkipWithError("map not shown");
    QStringList withNew = made->log;
    QsoFields f;
    f.date = QStringLiteral("09/05/24");
    f.time = QStringLiteral("23:59");
    f.call = QStringLiteral("F5NEW");
    f.department = QStringLiteral("2b");
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("10");
    withNew << buildQsoLine(f).line;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        // Lines that come from no reading of a log: counted whole each time.
        painter.paint(LogReading{flip ? withNew : made->log, 0, {}}, QStringLiteral("10"),
                      QStringLiteral("SSB"), QStringLiteral("10"), QStringLiteral("SSB"));
        // The whole picture and its labels, drawn on the screen at once, not only the parts
        // that changed.
        view.repaint();
    }
}
BENCHMARK(BM_MapRepaintAfterValidation)->Unit(benchmark::kMillisecond);

void BM_MapOpening(benchmark::State &state) {
    MapDepartments shown;
    for (auto _ : state) {
        DepartmentMapView view(shown);
        QImage frame(view.size(), QImage::Format_RGB32);
        view.render(&frame);
    }
}
BENCHMARK(BM_MapOpening)->Unit(benchmark::kMillisecond);

void BM_LabelPlacesFirstOpening(benchmark::State &state) {
    const DepartmentAtlas &france = DepartmentAtlas::france();
    const QSizeF size(DepartmentMapView::labelWidth, DepartmentMapView::labelHeight);
    QList<QPainterPath> outlines;
    for (const DepartmentShape &shape : france.shapes())
        outlines.append(shape.outline);
    for (auto _ : state)
        benchmark::DoNotOptimize(labelPlaces(outlines, size));
}
BENCHMARK(BM_LabelPlacesFirstOpening)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const bench::Lines lines;
    made = &lines;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
