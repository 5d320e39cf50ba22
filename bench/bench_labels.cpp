// Timings of the QSO selection for QSL labels on the busy activation's log of 10,000 QSOs,
// drawn offscreen: opening the window (log read, entries made and sorted, list filled), moving
// one QSO to the chosen list, and choosing them all. Each case reports the median of its runs
// in milliseconds in the counter median_ms.

#include "BenchData.h"

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/CurrentActivation.h"
#include "entry/WindowServices.h"
#include "labels/Select_QSO.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace zep;
using namespace zep::bench;

namespace {

const QString reference = QStringLiteral("DFCF-21-001");

// The selection never asks for a file name.
class NoFiles : public FileChooser {
public:
    std::optional<QString> saveFileName(QWidget *, const QString &, const QString &,
                                        const QString &, const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> openFileName(QWidget *, const QString &, const QString &,
                                        const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> directoryName(QWidget *, const QString &, const QString &) override {
        return std::nullopt;
    }
};

struct Data {
    QTemporaryDir dir;
    QStringList log;
    FixedActivationSource activation;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    RecordingPrintService printing;
    NoFiles files;
    std::unique_ptr<WindowServices> services;

    Data() {
        const QStringList calls = callSigns(memorySize);
        log.reserve(logSize);
        for (int i = 0; i < logSize; ++i)
            log << qsoLine(i, calls.at(logCallIndex(i)));
        activation.activation.reference = reference;
        services = std::make_unique<WindowServices>(
            WindowServices{dir.path(), activation, settings, dialogs, printing, files});
        writeLog();
    }
    QString logPath() const { return activityLogPath(dir.path(), reference); }
    void writeLog() const {
        if (!writeTextFile(logPath(), log).ok) {
            std::fprintf(stderr, "écriture du journal impossible\n");
            std::abort();
        }
    }
};

Data *data = nullptr;

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void closeWindow(SelectionWindowOpener &opener) {
    if (Select_QSO *w = opener.window())
        w->close();
    QApplication::processEvents();
}

// Opening the window; `freshLog`: the log was just rewritten, so nothing of an earlier reading
// is reused (the selection opened right after the log changed).
void openSelection(benchmark::State &state, bool freshLog) {
    SelectionWindowOpener opener(*data->services);
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        closeWindow(opener);
        if (freshLog)
            data->writeLog();
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        Select_QSO *w = opener.open();
        QApplication::processEvents(); // drawn once
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (w->Liste_QSO->count() != logSize)
            state.SkipWithError("liste incomplète");
    }
    closeWindow(opener);
    state.counters["median_ms"] = median(ms);
}

void BM_OpenSelection(benchmark::State &state) {
    openSelection(state, false);
}
void BM_OpenSelectionFreshLog(benchmark::State &state) {
    openSelection(state, true);
}

// One QSO from the middle of the list moved to a chosen list of 5,000 and back.
void BM_MoveOneQso(benchmark::State &state) {
    SelectionWindowOpener opener(*data->services);
    Select_QSO *w = opener.open();
    for (int i = 0; i < logSize / 2; ++i)
        w->Liste_QSO_Click(i);
    std::vector<double> ms;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w->Liste_QSO_Click(w->Liste_QSO->count() / 2);
        w->Liste_Imprime_Click(w->Liste_Imprime->count() / 2);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    closeWindow(opener);
    state.counters["median_ms"] = median(ms);
}

// "Tout séléctionner" with a few QSOs already chosen.
void BM_SelectAll(benchmark::State &state) {
    SelectionWindowOpener opener(*data->services);
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        closeWindow(opener);
        Select_QSO *w = opener.open();
        for (int i = 0; i < 10; ++i)
            w->Liste_QSO_Click(i * 500);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        w->Select_All_Click();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    closeWindow(opener);
    state.counters["median_ms"] = median(ms);
}

} // namespace

BENCHMARK(BM_OpenSelection)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_OpenSelectionFreshLog)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_MoveOneQso)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::quietOffscreenPlatform();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Data made;
    data = &made;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
