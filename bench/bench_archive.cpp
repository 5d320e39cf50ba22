// Timings of the data archives on a program directory of years: a 100,000-QSO log, the
// 100,000-entry first-name memory, the activation list, the prefix table and the settings. The
// archive ("Archiver les données…") must be written within 2 s, crash-safely to its folder;
// the opening of "Restaurer une archive…" (the archive read and checked, then compared with
// the disk) and the restore of a changed log are timed beside it.

#include "BenchData.h"
#include "core/backup/DataArchive.h"
#include "core/countries/CountriesWorked.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace zep;

namespace {

struct Directory {
    std::unique_ptr<QTemporaryDir> dir;
    archive::Layout layout;
    QString target;
    qint64 bytes = 0;

    explicit Directory(const QString &root) : dir(bench::scratchDirectory(root)) {
        const QDir d(dir->path());
        d.mkpath(QStringLiteral("données"));
        d.mkpath(QStringLiteral("config"));
        d.mkpath(QStringLiteral("clé"));
        layout.programDir = d.filePath(QStringLiteral("données"));
        layout.settingsFile = d.filePath(QStringLiteral("config/Riduzazur.ini"));
        target = d.filePath(QStringLiteral("clé/ZEP_Rozadovev 20240520_1432.zip"));
        const bench::Lines made(bench::largeLogSize);
        const QDir p(layout.programDir);
        const bool written =
            writeTextFile(p.filePath(QStringLiteral("DFCF 76054.txt")), made.log).ok &&
            writeTextFile(p.filePath(QStringLiteral("Liste_Prenom.txt")), made.memory).ok &&
            writeTextFile(p.filePath(QStringLiteral("Liste_Activite.txt")),
                          {QStringLiteral("DFCF 76054;Forêt d'Eu")})
                .ok &&
            writeBytesFile(p.filePath(QStringLiteral("Continents_DXCC.csv")), builtInPrefixTable())
                .ok &&
            writeTextFile(layout.settingsFile,
                          {QStringLiteral("[Setup%20]"), QStringLiteral("Indicatif=F4ABC")})
                .ok;
        if (!written)
            std::abort();
        for (const archive::DiskFile &f : archive::listFiles(layout))
            bytes += f.size;
    }
};

void writeArchive(benchmark::State &state, const Directory *d) {
    for (auto _ : state) {
        const archive::Written written = archive::writeArchive(d->layout, d->target);
        if (!written.status)
            state.SkipWithError(qPrintable(written.status.message));
    }
    state.counters["Mo"] = double(d->bytes) / 1e6;
    state.counters["zip_Mo"] = double(QFileInfo(d->target).size()) / 1e6;
}

void openRestoreWindow(benchmark::State &state, const Directory *d) {
    if (!archive::writeArchive(d->layout, d->target).status)
        std::abort();
    for (auto _ : state) {
        const archive::Contents contents = archive::readArchive(d->target);
        benchmark::DoNotOptimize(archive::compare(contents, d->layout));
    }
}

void restoreChangedLog(benchmark::State &state, const Directory *d) {
    if (!archive::writeArchive(d->layout, d->target).status)
        std::abort();
    const archive::Contents contents = archive::readArchive(d->target);
    const QString log = QDir(d->layout.programDir).filePath(QStringLiteral("DFCF 76054.txt"));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!appendTextLine(log, QStringLiteral("changed")).ok)
            std::abort();
        // Each restore keeps the log aside in a folder of its own minute.
        const QDateTime now = QDateTime(QDate(2024, 5, 20), QTime(0, 0)).addSecs(60 * run++);
        state.ResumeTiming();
        const archive::Restored restored = archive::restore(contents, d->layout, now);
        if (!restored.status || restored.written != 1)
            state.SkipWithError("restore");
    }
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    const QString diskRoot = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const Directory disk(diskRoot);
    std::printf("répertoire de %d QSO : %lld octets\n", bench::largeLogSize,
                static_cast<long long>(disk.bytes));
    benchmark::RegisterBenchmark("archive/write/100k", writeArchive, &disk)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("archive/read_and_compare/100k", openRestoreWindow, &disk)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("archive/restore_one_log/100k", restoreChangedLog, &disk)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
