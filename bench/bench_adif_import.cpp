// Timings of "Importer un fichier ADIF…" into a log of 10,000 QSOs with a first-name memory of
// 100,000 call signs: files of 10,000 and of 100,000 records, each as another program would
// export them (mostly new QSOs spread through the log and after it, some the log already holds,
// some duplicates, some a band the window does not offer). Targets: preview and insertion
// together under 1 s for 10,000 records, under 5 s for 100,000.
//
// "preview" is what happens before the preview window shows: the file read and cut into
// records, each mapped against the log. "insertion" is what "Importer" writes: the log once,
// the memory once, the report. Run in a directory on disk (ZEP_BENCH_DISK, the temporary
// directory by default).
//
// Then a file of 50 Mo (about 230,000 records): its preview is timed, and its memory measured
// in a fresh process of this program (started with --preview-memory FILE LOG) from the file
// read to the preview made. Targets: under 3 s, and a peak under 4 times the file's size.

#include "BenchData.h"
#include "core/adif/AdifReader.h"
#include "core/exchange/AdifExport.h"
#include "core/exchange/AdifImport.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace zep;

namespace {

const adifimport::Target boxes{{QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
                                QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("18"),
                                QStringLiteral("21"), QStringLiteral("24"), QStringLiteral("28"),
                                QStringLiteral("50"), QStringLiteral("144")},
                               {QStringLiteral("SSB"), QStringLiteral("CW")}};

/// One import: the log, the memory and the ADIF file of `records` records on disk.
struct Data {
    std::unique_ptr<QTemporaryDir> dir;
    adifimport::Files files;
    QString adifPath;
    QByteArray log, memory, adifFile;

    Data(const QString &root, const bench::Lines &made, int records)
        : dir(bench::scratchDirectory(root)) {
        const QDir d(dir->path());
        files.log = d.filePath(QStringLiteral("DFCF-12-345.txt"));
        files.firstNames = d.filePath(QStringLiteral("Liste_Prenom.txt"));
        files.report = d.filePath(QStringLiteral("DFCF-12-345_import_20240501_1200.txt"));
        adifPath = d.filePath(QStringLiteral("autre_logiciel.adi"));
        if (!encodeLines(made.log, log) || !encodeLines(made.memory, memory))
            std::abort();
        // The other program's log: one record in a hundred is a QSO of this log, one in fifty
        // has a band the window does not offer; the others are new QSOs (some of them duplicates of
        // the log's stations).
        QStringList other;
        other.reserve(records);
        for (int i = 0; i < records; ++i) {
            if (i % 100 == 0) {
                other << made.log.at(i % made.log.size());
                continue;
            }
            QString line =
                bench::qsoLine(i * 10 / 7, made.calls.at((i * 104729 + 13) % bench::memorySize));
            if (i % 50 == 1)
                line.replace(qsocol::band - 1, qsocol::bandWidth, QStringLiteral(" 60"));
            other << line;
        }
        QByteArray otherBytes;
        if (!encodeLines(other, otherBytes))
            std::abort();
        adifFile = adif::document(QStringLiteral("Autre logiciel"), otherBytes);
        // "60" is no band of the export's table: it leaves the band out, and those records
        // are left out of the import for want of a band.
        put(adifPath, adifFile);
        restore();
    }

    static void put(const QString &path, const QByteArray &bytes) {
        if (!writeBytesFile(path, bytes).ok)
            std::abort();
    }
    /// The log and memory as they were before the import.
    void restore() const {
        put(files.log, log);
        put(files.firstNames, memory);
    }

    adifimport::Preview preview() const { return previewOf(adifPath, files.log); }

    /// What "Importer un fichier ADIF…" does before the preview window shows.
    static adifimport::Preview previewOf(const QString &adifPath, const QString &logPath) {
        FileBytes file = readFileBytes(adifPath);
        const FileBytes current = readFileBytes(logPath);
        adifimport::FilePreview made = adifimport::previewFile(
            file.bytes, QStringLiteral("autre_logiciel.adi"), current.bytes, boxes);
        if (!made.refusal.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(made.refusal));
            std::abort();
        }
        return std::move(made.preview);
    }
};

/// Resident memory now, in bytes.
long long residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * 4096 : 0;
}

/// The peak of resident memory of this program since it started (VmHWM: unlike the
/// resource usage's maximum, it does not carry the size of the process that started it).
long long peakBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
    return 0;
}

/// The child's side of the memory measure: the preview of the file, the peak grown from before.
int previewMemory(const char *adifPath, const char *logPath) {
    const long long before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    const adifimport::Preview p =
        Data::previewOf(QString::fromLocal8Bit(adifPath), QString::fromLocal8Bit(logPath));
    const long long ms = timer.elapsed();
    std::printf("%lld %lld %lld %lld\n", static_cast<long long>(p.items.size()), ms,
                peakBytes() - before, peakBytes());
    return 0;
}

void measureFile(const QString &program, const QString &adifPath, const QString &logPath,
                 qint64 fileSize);

/// A file previewed in a fresh process: records, time, peak memory against the file.
void measureLargeFile(const QString &program, const Data &d) {
    measureFile(program, d.adifPath, d.files.log, d.adifFile.size());
}

void measureFile(const QString &program, const QString &adifPath, const QString &logPath,
                 qint64 fileSize) {
    QProcess child;
    child.start(program, {QStringLiteral("--preview-memory"), adifPath, logPath});
    if (!child.waitForFinished(120000) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s\n", child.readAllStandardError().constData());
        std::abort();
    }
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 4)
        std::abort();
    const double fileMb = double(fileSize) / (1024 * 1024);
    const double grownMb = figures[2].toDouble() / (1024 * 1024);
    std::printf("fichier de %.1f Mo, %s enregistrements : aperçu en %s ms, mémoire de pointe "
                "+%.1f Mo (%.2f fois le fichier, processus entier %.1f Mo)\n",
                fileMb, figures[0].constData(), figures[1].constData(), grownMb, grownMb / fileMb,
                figures[3].toDouble() / (1024 * 1024));
}

/// What the packed items of a preview cost and save against a plain list of items: the time
/// to put every item of the preview in and to read every one back (what the preview window, the
/// insertion and the report do), and the memory each holds, measured in a fresh process.
int itemsMeasure(const char *adifPath, const char *logPath, bool packed) {
    const adifimport::Preview p =
        Data::previewOf(QString::fromLocal8Bit(adifPath), QString::fromLocal8Bit(logPath));
    std::vector<adifimport::Item> all;
    all.reserve(size_t(p.items.size()));
    for (const adifimport::Item &item : p.items)
        all.push_back(item);
    const long long before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    qsizetype read = 0;
    long long held = 0;
    if (packed) {
        adifimport::Items items;
        items.reserve(qsizetype(all.size()));
        for (const adifimport::Item &item : all)
            items.append(item);
        held = residentBytes() - before;
        for (const adifimport::Item &item : items)
            read += item.qsoLine.size();
    } else {
        QList<adifimport::Item> items;
        items.reserve(qsizetype(all.size()));
        for (const adifimport::Item &item : all)
            items.append(item);
        held = residentBytes() - before;
        for (const adifimport::Item &item : items)
            read += item.qsoLine.size();
    }
    benchmark::DoNotOptimize(read);
    std::printf("%lld %lld %lld\n", static_cast<long long>(all.size()),
                static_cast<long long>(timer.elapsed()), held);
    return 0;
}

void compareItems(const QString &program, const Data &d) {
    for (const bool packed : {true, false}) {
        QProcess child;
        child.start(program, {QString::fromLatin1(packed ? "--items-packed" : "--items-plain"),
                              d.adifPath, d.files.log});
        if (!child.waitForFinished(300000) || child.exitCode() != 0)
            std::abort();
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 3)
            std::abort();
        std::printf("éléments %s : %s éléments mis et relus en %s ms, %.1f Mo tenus\n",
                    packed ? "compactés" : "simples", f[0].constData(), f[1].constData(),
                    f[2].toDouble() / (1024 * 1024));
    }
}

void previewOnly(benchmark::State &state, const Data *d) {
    for (auto _ : state)
        benchmark::DoNotOptimize(d->preview());
}

void insertionOnly(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        state.PauseTiming();
        d->restore();
        const adifimport::Preview p = d->preview();
        state.ResumeTiming();
        const adifimport::Outcome done =
            adifimport::applyImport(p, false, d->files, d->adifPath, QStringLiteral("DFCF-12-345"),
                                    QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        if (!done.imported || !done.messages.isEmpty())
            std::abort();
    }
}

void previewAndInsertion(benchmark::State &state, const Data *d) {
    for (auto _ : state) {
        state.PauseTiming();
        d->restore();
        state.ResumeTiming();
        const adifimport::Preview p = d->preview();
        const adifimport::Outcome done =
            adifimport::applyImport(p, false, d->files, d->adifPath, QStringLiteral("DFCF-12-345"),
                                    QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        if (!done.imported)
            std::abort();
        state.counters["importes"] = done.count;
    }
}

void registerAll(const char *records, const Data *d) {
    const auto add = [&](const char *name, void (*fn)(benchmark::State &, const Data *)) {
        return benchmark::RegisterBenchmark((std::string(name) + "/" + records).c_str(), fn, d)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    };
    add("import_preview", previewOnly);
    add("import_insertion", insertionOnly);
    add("import_preview_and_insertion", previewAndInsertion);
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "--preview-memory") == 0)
        return previewMemory(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "--items-packed") == 0)
        return itemsMeasure(argv[2], argv[3], true);
    if (argc == 4 && std::strcmp(argv[1], "--items-plain") == 0)
        return itemsMeasure(argv[2], argv[3], false);
    const QString program = QString::fromLocal8Bit(argv[0]);
    benchmark::Initialize(&argc, argv);
    const QString root = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const bench::Lines made;
    const Data small(root, made, 10000);
    const Data large(root, made, 100000);
    const adifimport::Preview p = small.preview();
    std::printf("journal %lld octets (%d QSO), fichiers ADIF de %lld et %lld octets ; "
                "10 000 enregistrements : %d à importer, %d déjà dans le log, %d doublons, "
                "%d ignorés\n",
                static_cast<long long>(small.log.size()), bench::logSize,
                static_cast<long long>(small.adifFile.size()),
                static_cast<long long>(large.adifFile.size()),
                p.count(adifimport::Status::ToImport), p.count(adifimport::Status::AlreadyInLog),
                p.count(adifimport::Status::Duplicate), p.count(adifimport::Status::Ignored));
    // About 50 Mo: as many records as the 100,000-record file has per megabyte.
    const int fiftyMb = int(50.0 * 1024 * 1024 * 100000 / double(large.adifFile.size())) + 1;
    const Data huge(root, made, fiftyMb);
    measureLargeFile(program, huge);
    compareItems(program, huge);
    {
        // The most records the import takes, each of one field: the smallest file per record.
        QByteArray tiny;
        tiny.reserve(adif::maxRecords * 20);
        for (qsizetype i = 0; i < adif::maxRecords; ++i)
            tiny += "<CALL:5>F1ABC<EOR>\r\n";
        const QString tinyPath = QDir(huge.dir->path()).filePath(QStringLiteral("petits.adi"));
        Data::put(tinyPath, tiny);
        measureFile(program, tinyPath, huge.files.log, tiny.size());
    }
    registerAll("10000", &small);
    registerAll("100000", &large);
    benchmark::RegisterBenchmark("import_preview/50Mo", previewOnly, &huge)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
