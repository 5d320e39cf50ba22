// Timings of the countries window on a busy activation (a log of 10,000 QSOs of real call
// signs), drawn offscreen: the whole opening as the menu item runs it (reading the prefix
// table of the program directory, looking up every call sign, filling and showing the list),
// and its parts: reading the table, and the look-ups of the whole log through the index and,
// for comparison, line after line through the table.

#include "BenchData.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixTable.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "core/log/QsoLine.h"
#include "entry/QsoList.h"
#include "platform/FileChooser.h"
#include "platform/ListBox.h"
#include "platform/RecordingPrinter.h"
#include "reports/Pays_Cont.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace zep;

namespace {

const bench::Lines *made = nullptr;

QStringList logCalls() {
    QStringList calls;
    for (const QString &line : made->log)
        calls << line.mid(17, 12).trimmed();
    return calls;
}

void BM_CountriesWindowOpening(benchmark::State &state) {
    QTemporaryDir dir;
    if (!dir.isValid() || !installPrefixTable(dir.path()).ok) {
        std::fprintf(stderr, "table des préfixes impossible à installer\n");
        std::abort();
    }
    // The entry window's QSO list, as it stands on the busy log.
    QsoList entryList;
    entryList.rows().setLines(made->log);
    FixedActivationSource activation;
    activation.activation.reference = QStringLiteral("DFCF-21-001");
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    const WindowServices services{dir.path(), activation, settings, dialogs, printing, files};
    CountriesWindowOpener opener(&entryList, services);
    int countries = 0;
    for (auto _ : state) {
        Pays_Cont *window = opener.open();
        window->repaint();
        countries = window->Liste_Pays->count();
        state.PauseTiming();
        window->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["countries"] = countries;
}
BENCHMARK(BM_CountriesWindowOpening)->Unit(benchmark::kMillisecond);

void BM_PrefixTableReading(benchmark::State &state) {
    const QByteArray bytes = builtInPrefixTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(PrefixTable::parse(bytes).lines().size());
    state.counters["lines"] = double(PrefixTable::parse(bytes).lines().size());
}
BENCHMARK(BM_PrefixTableReading)->Unit(benchmark::kMillisecond);

void BM_LogLookupIndexed(benchmark::State &state) {
    const PrefixTable table = PrefixTable::parse(builtInPrefixTable());
    const QStringList calls = logCalls();
    for (auto _ : state)
        benchmark::DoNotOptimize(tallyCountries(table, calls).countries);
}
BENCHMARK(BM_LogLookupIndexed)->Unit(benchmark::kMillisecond);

void BM_LogLookupLineAfterLine(benchmark::State &state) {
    const PrefixTable table = PrefixTable::parse(builtInPrefixTable());
    const QStringList calls = logCalls();
    for (auto _ : state)
        for (const QString &call : calls)
            benchmark::DoNotOptimize(table.scan(call).found);
}
BENCHMARK(BM_LogLookupLineAfterLine)->Unit(benchmark::kMillisecond)->Iterations(3);

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
