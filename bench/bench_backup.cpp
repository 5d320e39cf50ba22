// Timings of the live copy in the backup folder, on logs of 10,000 and 100,000 QSOs.
//  - copy_live_qso: what the worker does for a live QSO (the copy checked against the original,
//    then one append and one sync in the backup folder), against append_floor: one append and
//    sync of the same line to the copy (appendLineBytes), the least any copy can cost there.
//  - validation_save/mirror_off|on: the log write a validation waits for, without a mirror and
//    with one following the log on its worker thread (the entry never waits for the copy: the
//    two must be the same within the noise of the disk). The backup folder is on another
//    medium (ZEP_BENCH_COPY, tmpfs by default), as a USB stick is, and again on the data's own
//    disk, where the copy's syncs share the disk with the log's.

#include "BenchData.h"
#include "core/backup/BackupCopy.h"
#include "core/backup/BackupMirror.h"
#include "core/io/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace zep;

namespace {

/// A program directory and a backup folder holding the same log.
struct Data {
    std::unique_ptr<QTemporaryDir> data, copies;
    QString log, copy;
    QByteArray line;

    Data(const QString &root, const QString &copyRoot, const bench::Lines &lines)
        : data(bench::scratchDirectory(root)), copies(bench::scratchDirectory(copyRoot)) {
        log = QDir(data->path()).filePath(QStringLiteral("DFCF-12-345.txt"));
        copy = QDir(copies->path()).filePath(QStringLiteral("DFCF-12-345.txt"));
        if (!writeTextFile(log, lines.log) || !copyFileSafely(log, copy))
            std::abort();
        if (!cp1252::encode(lines.log.last(), line))
            std::abort();
        line.append("\r\n", 2);
    }
    qint64 size() const { return QFileInfo(log).size(); }
};

/// One append and sync of the line to the copy itself, on the backup folder's medium.
void appendFloor(benchmark::State &state, Data *d) {
    for (auto _ : state)
        if (!appendLineBytes(d->copy, d->line))
            std::abort();
    // The copy follows, untimed, so that the next case starts from the same files.
    if (!copyFileSafely(d->log, d->copy))
        std::abort();
}

void copyLiveQso(benchmark::State &state, Data *d) {
    for (auto _ : state) {
        state.PauseTiming();
        const qint64 former = d->size();
        if (!appendLineBytes(d->log, d->line))
            std::abort();
        state.ResumeTiming();
        if (!backup::followAppend(d->log, d->copy, d->line, former))
            std::abort();
    }
}

void validationSave(benchmark::State &state, Data *d, bool mirrorOn) {
    std::unique_ptr<BackupMirror> mirror;
    if (mirrorOn) {
        mirror = std::make_unique<BackupMirror>(d->data->path());
        mirror->install();
        if (!mirror->setFolder(d->copies->path()))
            std::abort();
    }
    for (auto _ : state)
        if (!appendLineBytes(d->log, d->line))
            std::abort();
    if (mirror) {
        // The copy catches up after the last save (not timed), and must match.
        QElapsedTimer waited;
        waited.start();
        while (mirror->state() != BackupMirror::State::UpToDate && waited.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!backup::sameContent(d->log, d->copy))
            std::abort();
    } else if (!copyFileSafely(d->log, d->copy)) {
        std::abort();
    }
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString root = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const QString otherMedium = qEnvironmentVariable("ZEP_BENCH_COPY", QStringLiteral("/dev/shm"));
    const bench::Lines made(bench::logSize);
    const bench::Lines large(bench::largeLogSize);
    std::vector<std::unique_ptr<Data>> data;
    for (const auto &[lines, label] :
         {std::pair{&made, std::string("10k")}, std::pair{&large, std::string("100k")}}) {
        data.push_back(std::make_unique<Data>(root, otherMedium, *lines));
        Data *d = data.back().get();
        data.push_back(std::make_unique<Data>(root, root, *lines));
        Data *sameDisk = data.back().get();
        for (const auto &[where, dd] : {std::pair{std::string("/other_medium"), d},
                                        std::pair{std::string("/same_disk"), sameDisk}}) {
            benchmark::RegisterBenchmark(("append_floor/" + label + where).c_str(), appendFloor, dd)
                ->Unit(benchmark::kMicrosecond)
                ->Iterations(200);
            benchmark::RegisterBenchmark(("copy_live_qso/" + label + where).c_str(), copyLiveQso,
                                         dd)
                ->Unit(benchmark::kMicrosecond)
                ->Iterations(200);
        }
        for (const bool on : {false, true})
            benchmark::RegisterBenchmark(
                ("validation_save/" + label + (on ? "/mirror_on" : "/mirror_off")).c_str(),
                [on](benchmark::State &s, Data *dd) { validationSave(s, dd, on); }, d)
                ->Unit(benchmark::kMicrosecond)
                ->Iterations(200);
        benchmark::RegisterBenchmark(
            ("validation_save/" + label + "/mirror_on_same_disk").c_str(),
            [](benchmark::State &s, Data *dd) { validationSave(s, dd, true); }, sameDisk)
            ->Unit(benchmark::kMicrosecond)
            ->Iterations(200);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
