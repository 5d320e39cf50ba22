// Timings of the activation's summary and of the "Validité" line on the busy activations of the
// other benchmarks (10,000 and 100,000 QSOs): the figures counted from the log lines, the
// "Bilan de l'activation" window from its opening until it shows (the log read, counted and
// drawn, off the GUI thread), the time the GUI thread is held by the opening, and what the
// Validité line costs for each QSO validated (one line added to the log and counted).
#include "BenchData.h"
#include "core/awards/ActivationSummary.h"
#include "core/awards/ValidityCount.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixTable.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/CurrentActivation.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "summary/Bilan_Activation.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace zep;
using namespace zep::bench;

namespace {

using Stopwatch = std::chrono::steady_clock;

const QString reference = QStringLiteral("DFCF-21-001");

QList<ReferenceValidity> references() {
    return {{reference, ActivationRules::builtIn().ruleFor(reference, nullptr), 0},
            {QStringLiteral("FFF-0123"),
             ActivationRules::builtIn().ruleFor(QStringLiteral("FFF-0123"), nullptr), 0}};
}

void summaryFigures(benchmark::State &state, const Lines *lines) {
    const PrefixTable table = PrefixTable::parse(builtInPrefixTable());
    for (auto _ : state)
        benchmark::DoNotOptimize(summarize(lines->log, table, references()));
}

/// The window from its construction until its figures and charts are shown; `gui_ms` is how
/// long the construction held the GUI thread (the rest runs on a worker).
void openSummaryWindow(benchmark::State &state, const Lines *lines) {
    const auto dir = scratchDirectory(QDir::tempPath());
    if (!writeTextFile(activityLogPath(dir->path(), reference), lines->log).ok)
        state.SkipWithError("log not written");
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    FixedActivationSource setup;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    const WindowServices services{dir->path(), setup, settings, dialogs, printing, files};
    double gui = 0;
    for (auto _ : state) {
        const Stopwatch::time_point start = Stopwatch::now();
        auto *window = new Bilan_Activation(
            services, {{reference}, activityLogPath(dir->path(), reference)}, nullptr);
        window->show();
        gui += std::chrono::duration<double>(Stopwatch::now() - start).count();
        QSignalSpy ready(window, &Bilan_Activation::ready);
        if (!window->isReady() && !ready.wait(30000))
            state.SkipWithError("the summary never showed");
        QCoreApplication::processEvents(); // the first paint
        state.SetIterationTime(std::chrono::duration<double>(Stopwatch::now() - start).count());
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    state.counters["gui_ms"] = 1000.0 * gui / double(state.iterations());
}

/// One QSO validated: the log's reading grows by one line and the Validité counts follow it.
void validityPerQso(benchmark::State &state, const Lines *lines) {
    ValidityFollower follower;
    follower.setReferences(references());
    QStringList log = lines->log;
    quint64 version = 1;
    auto changes = std::make_shared<QList<LogChange>>();
    follower.follow({log, version, {}});
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString line = qsoLine(int(log.size()), QStringLiteral("TK%1ZZ").arg(i++));
        log.append(line);
        const LogChange change{log.size() - 1, {}, {line}};
        const LogReading reading{
            log, version + 1, [change, version](quint64 since) -> std::optional<QList<LogChange>> {
                if (since == version)
                    return QList<LogChange>{change};
                return std::nullopt;
            }};
        ++version;
        state.ResumeTiming();
        follower.follow(reading);
        benchmark::DoNotOptimize(validityText(follower.figures()));
    }
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenPlatform();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const Lines made(logSize);
    const Lines large(largeLogSize);
    for (const auto &[lines, label] : {std::pair{&made, "10k"}, std::pair{&large, "100k"}}) {
        benchmark::RegisterBenchmark((std::string("summary_figures/") + label).c_str(),
                                     summaryFigures, lines)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("open_summary_window/") + label).c_str(),
                                     openSummaryWindow, lines)
            ->UseManualTime()
            ->Iterations(10)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("validity_per_qso/") + label).c_str(),
                                     validityPerQso, lines)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
