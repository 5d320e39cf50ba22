// Timings of the two exports of the "Fichiers" menu on a log of 10,000 QSOs, each set against
// its floor: reading the log and writing a file of the export's size crash-safely (scratch
// file, fsync, close, rename, directory fsync), the system work no export can avoid. The
// target is an export within twice its floor.
//
// Every case runs in a directory on disk and on tmpfs, where a sync is nearly free, so that
// the cost of building the text shows apart from the cost of the disk.

#include "BenchData.h"
#include "core/ActivityLog.h"
#include "core/AdifExport.h"
#include "core/TextFile.h"
#include "core/TrafficReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace zep;

namespace {

const QString title = adif::title(QStringLiteral("F4ABC"));

/// The log of one run, in one directory, and the size of each export of it.
struct Data {
    std::unique_ptr<QTemporaryDir> dir;
    QString logPath, adifPath, ctfPath, floorPath;
    QByteArray log, adifBytes, ctfBytes;

    explicit Data(const QString &root) : dir(bench::scratchDirectory(root)) {
        const QDir d(dir->path());
        logPath = d.filePath(QStringLiteral("DFCF-12-345.txt"));
        adifPath = d.filePath(QStringLiteral("DFCF-12-345_01_05_24.adi"));
        ctfPath = d.filePath(QStringLiteral("DFCF-12-345.ctf"));
        floorPath = d.filePath(QStringLiteral("plancher.txt"));
        const bench::Lines made;
        if (!writeTextFile(logPath, made.log).ok)
            std::abort();
        log = readFileBytes(logPath).bytes;
        adifBytes = adif::document(title, log);
        ctfBytes = ctf::document(log);
    }
};

QByteArray readLog(const Data *d) {
    const rawfile::Bytes read = rawfile::read(d->logPath);
    if (!read.status)
        std::abort();
    return read.bytes;
}

/// Reading the log, then a crash-safe write of `size` bytes by bare system calls.
void floorReadAndWrite(benchmark::State &state, const Data *d, const QByteArray &content) {
    const QByteArray scratch = QFile::encodeName(d->floorPath + QStringLiteral(".tmp"));
    const QByteArray target = QFile::encodeName(d->floorPath);
    const QByteArray folder = QFile::encodeName(QFileInfo(d->floorPath).absolutePath());
    for (auto _ : state) {
        benchmark::DoNotOptimize(readLog(d));
        const int fd = ::open(scratch.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != content.size() ||
            ::fsync(fd) != 0 || ::close(fd) != 0 ||
            ::rename(scratch.constData(), target.constData()) != 0)
            std::abort();
        const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(dir);
        ::close(dir);
    }
    state.SetBytesProcessed(state.iterations() * content.size());
}

void floorAdif(benchmark::State &state, const Data *d) {
    floorReadAndWrite(state, d, d->adifBytes);
}

void floorCtf(benchmark::State &state, const Data *d) {
    floorReadAndWrite(state, d, d->ctfBytes);
}

/// What "Exporter au format ADIF" does once the file is chosen.
void exportAdif(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        const QByteArray content = adif::document(title, readLog(d));
        if (!writeBytesFile(d->adifPath, content, QStringLiteral(".export.adi.zep-tmp")).ok)
            std::abort();
    }
    state.SetBytesProcessed(state.iterations() * d->adifBytes.size());
}

/// What "Exporter au format C_Trafic" does.
void exportCtf(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        if (!writeBytesFile(d->ctfPath, ctf::document(readLog(d))).ok)
            std::abort();
    }
    state.SetBytesProcessed(state.iterations() * d->ctfBytes.size());
}

/// The text alone, without any file.
void buildAdif(benchmark::State &state, const Data *d) {
    for (auto _ : state)
        benchmark::DoNotOptimize(adif::document(title, d->log));
}

void buildCtf(benchmark::State &state, const Data *d) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ctf::document(d->log));
}

void registerAll(const char *where, const Data *d) {
    const auto add = [&](const char *name, void (*fn)(benchmark::State &, const Data *)) {
        return benchmark::RegisterBenchmark((std::string(name) + "/" + where).c_str(), fn, d)
            ->Unit(benchmark::kMillisecond);
    };
    add("floor_read_log_write_adif_size_fsync", floorAdif)->Iterations(30);
    add("export_adif", exportAdif)->Iterations(30);
    add("floor_read_log_write_ctf_size_fsync", floorCtf)->Iterations(30);
    add("export_ctf", exportCtf)->Iterations(30);
    add("build_adif_text_only", buildAdif);
    add("build_ctf_text_only", buildCtf);
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    const QString diskRoot = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const QString tmpfsRoot = qEnvironmentVariable("ZEP_BENCH_TMPFS", QStringLiteral("/dev/shm"));
    const Data disk(diskRoot);
    std::printf("journal %lld octets (%d QSO), ADIF %lld octets, C_Trafic %lld octets\n",
                static_cast<long long>(disk.log.size()), bench::logSize,
                static_cast<long long>(disk.adifBytes.size()),
                static_cast<long long>(disk.ctfBytes.size()));
    registerAll("disk", &disk);
    std::unique_ptr<Data> tmpfs;
    if (QFileInfo(tmpfsRoot).isDir() && QFileInfo(tmpfsRoot).isWritable()) {
        tmpfs = std::make_unique<Data>(tmpfsRoot);
        registerAll("tmpfs", tmpfs.get());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
