// Timings of the exports of the "Fichiers" menu, each set against its floor: reading the log
// and writing a file of the export's size crash-safely (scratch file, fsync, close, rename,
// directory fsync), the system work no export can avoid. The target is an export within twice
// its floor. The ADIF and traffic-report exports run on a log of 10,000 QSOs, the ADIF 3
// export for the award sites on a log of 100,000 (a reference kept over years).
//
// Every case runs in a directory on disk and on tmpfs, where a sync is nearly free, so that
// the cost of building the text shows apart from the cost of the disk.

#include "BenchData.h"
#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixDxcc.h"
#include "core/countries/PrefixTable.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/exchange/AdifExport.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/reports/TrafficReport.h"

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

QByteArray readLog(const QString &logPath) {
    const rawfile::Bytes read = rawfile::read(logPath);
    if (!read.status)
        std::abort();
    return read.bytes;
}

/// Reading the log, then a crash-safe write of `size` bytes by bare system calls.
void floorReadAndWrite(benchmark::State &state, const QString &logPath, const QString &floorPath,
                       const QByteArray &content) {
    const QByteArray scratch = QFile::encodeName(floorPath + QStringLiteral(".tmp"));
    const QByteArray target = QFile::encodeName(floorPath);
    const QByteArray folder = QFile::encodeName(QFileInfo(floorPath).absolutePath());
    for (auto _ : state) {
        benchmark::DoNotOptimize(readLog(logPath));
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
    floorReadAndWrite(state, d->logPath, d->floorPath, d->adifBytes);
}

void floorCtf(benchmark::State &state, const Data *d) {
    floorReadAndWrite(state, d->logPath, d->floorPath, d->ctfBytes);
}

/// What "Exporter au format ADIF" does once the file is chosen.
void exportAdif(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        const QByteArray content = adif::document(title, readLog(d->logPath));
        if (!writeBytesFile(d->adifPath, content, QStringLiteral(".export.adi.zep-tmp")).ok)
            std::abort();
    }
    state.SetBytesProcessed(state.iterations() * d->adifBytes.size());
}

/// What "Exporter au format C_Trafic" does.
void exportCtf(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        if (!writeBytesFile(d->ctfPath, ctf::document(readLog(d->logPath))).ok)
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

/// The 100,000-QSO log and its ADIF 3 export, with the program's prefix table in the folder
/// as the window finds it.
struct LargeData {
    std::unique_ptr<QTemporaryDir> dir;
    QString logPath, adif3Path, floorPath, tablePath;
    QByteArray log, adif3Bytes;

    explicit LargeData(const QString &root) : dir(bench::scratchDirectory(root)) {
        const QDir d(dir->path());
        logPath = d.filePath(QStringLiteral("DFCF-76-054.txt"));
        adif3Path = d.filePath(QStringLiteral("F4ABC @ DFCF-76-054 20240501.adi"));
        floorPath = d.filePath(QStringLiteral("plancher3.txt"));
        tablePath = d.filePath(QStringLiteral("Continents_DXCC.csv"));
        const bench::Lines made(bench::largeLogSize);
        if (!writeTextFile(logPath, made.log).ok ||
            !writeBytesFile(tablePath, builtInPrefixTable()))
            std::abort();
        log = readFileBytes(logPath).bytes;
        adif3Bytes = exportAdif3(log, prefixdxcc::EntityFinder(builtInPrefixTable())).bytes();
    }

    static adif3::Station station() {
        adif3::Station station;
        station.stationCall = QStringLiteral("F4ABC/P");
        station.operatorCall = QStringLiteral("F1XYZ");
        station.programme = QStringLiteral("DFCF");
        station.reference = QStringLiteral("DFCF-76-054");
        station.gridSquare = QStringLiteral("JN09qk");
        station.created = QDateTime::currentDateTimeUtc();
        return station;
    }

    static adif3::Document exportAdif3(QByteArrayView log, const prefixdxcc::EntityFinder &finder) {
        return adif3::document(station(), {}, log,
                               [&finder](QByteArrayView call) { return finder(call); });
    }
};

void floorAdif3(benchmark::State &state, const LargeData *d) {
    floorReadAndWrite(state, d->logPath, d->floorPath, d->adif3Bytes);
}

/// What "Enregistrer" of the "Export ADIF 3" window does: the log and the operator's prefix
/// table read and indexed, the text built, the file written crash-safely.
void exportAdif3(benchmark::State &state, const LargeData *d) {
    for (auto _ : state) {
        const rawfile::Bytes log = rawfile::read(d->logPath);
        const FileBytes table = readFileBytes(d->tablePath);
        if (!log.status || !table.status)
            std::abort();
        const prefixdxcc::EntityFinder finder(table.bytes);
        ScratchWriter writer(d->adif3Path, QStringLiteral(".export.adi.zep-tmp"));
        const adif3::Document doc = adif3::document(
            LargeData::station(), {}, log.bytes,
            [&finder](QByteArrayView call) { return finder(call); }, {},
            [&writer](const QByteArray &piece) { return writer.append(piece); });
        if (doc.records != bench::largeLogSize || !writer.commit().ok)
            std::abort();
    }
    state.SetBytesProcessed(state.iterations() * d->adif3Bytes.size());
}

void buildAdif3(benchmark::State &state, const LargeData *d) {
    const prefixdxcc::EntityFinder finder(builtInPrefixTable());
    for (auto _ : state)
        benchmark::DoNotOptimize(LargeData::exportAdif3(d->log, finder));
}

/// The prefix table read and indexed for the export, against its reading as a table of texts.
void indexPrefixTable(benchmark::State &state, const LargeData *d) {
    for (auto _ : state)
        benchmark::DoNotOptimize(prefixdxcc::EntityFinder(readFileBytes(d->tablePath).bytes));
}

void readPrefixTable(benchmark::State &state, const LargeData *d) {
    for (auto _ : state)
        benchmark::DoNotOptimize(PrefixTable::load(d->tablePath));
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

void registerLarge(const char *where, const LargeData *d) {
    const auto add = [&](const char *name, void (*fn)(benchmark::State &, const LargeData *)) {
        return benchmark::RegisterBenchmark((std::string(name) + "/100k/" + where).c_str(), fn, d)
            ->Unit(benchmark::kMillisecond);
    };
    add("floor_read_log_write_adif3_size_fsync", floorAdif3)->Iterations(10);
    add("export_adif3", exportAdif3)->Iterations(10);
    add("build_adif3_text_only", buildAdif3);
    add("index_prefix_table_for_export", indexPrefixTable);
    add("read_prefix_table", readPrefixTable);
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
    const LargeData largeDisk(diskRoot);
    std::printf("journal de %d QSO : %lld octets, ADIF 3 %lld octets\n", bench::largeLogSize,
                static_cast<long long>(largeDisk.log.size()),
                static_cast<long long>(largeDisk.adif3Bytes.size()));
    registerLarge("disk", &largeDisk);
    std::unique_ptr<Data> tmpfs;
    std::unique_ptr<LargeData> largeTmpfs;
    if (QFileInfo(tmpfsRoot).isDir() && QFileInfo(tmpfsRoot).isWritable()) {
        tmpfs = std::make_unique<Data>(tmpfsRoot);
        registerAll("tmpfs", tmpfs.get());
        largeTmpfs = std::make_unique<LargeData>(tmpfsRoot);
        registerLarge("tmpfs", largeTmpfs.get());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
