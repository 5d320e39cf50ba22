// Timings of what the operator waits for at each QSO, on a busy activation: a log of 10,000
// QSOs and a first-name memory of 100,000 call signs. Each operation is set against its floor,
// the bare system work it cannot avoid (reading the files, one append with its sync).
//
// Every case runs twice: in a directory on disk (the syncs cost what the disk asks) and on
// tmpfs, where a sync is nearly free, to show how much of a write is the sync itself.

#include "BenchData.h"
#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/OperatorTally.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace zep;

namespace {

using namespace zep::bench;

/// The log and the memory of one run, in one directory.
struct Data {
    std::unique_ptr<QTemporaryDir> dir;
    QString logPath, memoryPath, floorPath;
    QStringList calls, logLines, memoryLines;
    QByteArray oneLine;

    Data(const QString &root, int logQsos) : dir(bench::scratchDirectory(root)) {
        const QDir d(dir->path());
        logPath = d.filePath(QStringLiteral("DFCF 12-345.txt"));
        memoryPath = d.filePath(QStringLiteral("Liste_Prenom.txt"));
        floorPath = d.filePath(QStringLiteral("plancher.txt"));
        const Lines made(logQsos);
        calls = made.calls;
        logLines = made.log;
        memoryLines = made.memory;
        reset();
        encodeLines({logLines.last()}, oneLine);
    }

    /// Puts both files back to their starting size: the appending cases make them grow, and
    /// every case must see 10,000 QSOs and 100,000 call signs (not timed).
    void reset() const {
        if (!writeTextFile(logPath, logLines).ok || !writeTextFile(memoryPath, memoryLines).ok ||
            !writeTextFile(floorPath, logLines).ok) {
            std::fprintf(stderr, "écriture des données impossible\n");
            std::abort();
        }
    }
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    return f.readAll();
}

// --- floors -------------------------------------------------------------------------------

void floorReadBoth(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAll(d->logPath));
        benchmark::DoNotOptimize(readAll(d->memoryPath));
    }
}

void floorReadMemory(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(readAll(d->memoryPath));
}

void floorReadLog(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(readAll(d->logPath));
}

/// The least an append can cost: open, one write, fdatasync, close, on a scratch copy of the
/// log (the timing only; the program's own writes all go through TextFile).
void floorAppendSync(benchmark::State &state, const Data *d) {
    d->reset();
    const QByteArray name = QFile::encodeName(d->floorPath);
    for (auto _ : state) {
        const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0 ||
            ::write(fd, d->oneLine.constData(), size_t(d->oneLine.size())) != d->oneLine.size() ||
            ::fdatasync(fd) != 0)
            std::abort();
        ::close(fd);
    }
}

/// The least a whole-file rewrite can cost: the bytes to a scratch file, fsync, close, rename
/// over a copy of the file, directory fsync.
void floorRewriteSync(benchmark::State &state, const Data *d, const QStringList &lines) {
    d->reset();
    QByteArray content;
    encodeLines(lines, content);
    const QByteArray scratch = QFile::encodeName(d->floorPath + QStringLiteral(".tmp"));
    const QByteArray target = QFile::encodeName(d->floorPath);
    const QByteArray folder = QFile::encodeName(QFileInfo(d->floorPath).absolutePath());
    for (auto _ : state) {
        const int fd = ::open(scratch.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, content.constData(), size_t(content.size())) != content.size() ||
            ::fsync(fd) != 0 || ::close(fd) != 0 ||
            ::rename(scratch.constData(), target.constData()) != 0)
            std::abort();
        const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::fsync(dir);
        ::close(dir);
    }
}

void floorRewriteLog(benchmark::State &state, const Data *d) {
    floorRewriteSync(state, d, d->logLines);
}

void floorRewriteMemory(benchmark::State &state, const Data *d) {
    floorRewriteSync(state, d, d->memoryLines);
}

// --- what the operator waits for ---------------------------------------------------------

/// Enter in the call-sign field: the duplicate search in the loaded log, then the first-name
/// memory lookup (which reads the memory file).
void duplicateAndFirstName(benchmark::State &state, const Data *d) {
    d->reset();
    const FirstNameMemory memory(d->memoryPath);
    int i = 0;
    for (auto _ : state) {
        const QString &call = d->calls.at((i++ * 104729) % memorySize);
        benchmark::DoNotOptimize(
            findDuplicate(d->logLines, call, QStringLiteral("14"), QStringLiteral("SSB")));
        benchmark::DoNotOptimize(memory.find(call));
    }
}

void duplicateOnly(benchmark::State &state, const Data *d) {
    d->reset();
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(findDuplicate(d->logLines,
                                               d->calls.at((i++ * 104729) % memorySize),
                                               QStringLiteral("14"), QStringLiteral("SSB")));
}

/// Validation of a new station: its entry is added to the memory, its line to the log.
void rememberNewAndAppend(benchmark::State &state, const Data *d) {
    d->reset();
    FirstNameMemory memory(d->memoryPath);
    ActivityLog log(d->logPath);
    int i = 0;
    for (auto _ : state) {
        const QString call = QStringLiteral("TK%1ZZ").arg(i++);
        if (!memory.remember(call, QString(), QStringLiteral("Zoë"), true).ok ||
            !log.append(d->logLines.at(i % d->logLines.size())).ok)
            std::abort();
    }
}

/// Validation of a known station whose first name changed: its memory entry is rewritten in
/// place, which rewrites the whole memory file.
void rememberKnownChanged(benchmark::State &state, const Data *d) {
    d->reset();
    FirstNameMemory memory(d->memoryPath);
    int i = 0;
    for (auto _ : state) {
        const QString &call = d->calls.at(5000 + (i % 1000));
        const QString name = (i++ / 1000) % 2 ? QStringLiteral("Paul") : QStringLiteral("Anne");
        if (!memory.remember(call, department(i), name, false).ok)
            std::abort();
    }
}

/// Reading the log again, unchanged since the last read: the lines kept are handed back.
void loadList(benchmark::State &state, const Data *d) {
    d->reset();
    const ActivityLog log(d->logPath);
    for (auto _ : state)
        benchmark::DoNotOptimize(log.read());
}

/// The log read from scratch, as any log not seen before: the file read and decoded, and every
/// item numbered (as the list windows other than the entry window number them).
void loadListUncached(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state) {
        const TextLines text = readTextFile(d->logPath);
        QStringList items;
        appendQsoListItems(items, text.lines);
        benchmark::DoNotOptimize(items);
    }
}

/// The reading after a live QSO: the log has just grown by one line since it was last read, and
/// only that line is decoded (the append itself is not timed).
void loadListAfterAppend(benchmark::State &state, const Data *d) {
    d->reset();
    ActivityLog log(d->logPath);
    benchmark::DoNotOptimize(log.read());
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!log.append(d->logLines.at(i++ % d->logLines.size())).ok)
            std::abort();
        state.ResumeTiming();
        benchmark::DoNotOptimize(log.read());
    }
}

/// The reading after an edit: the log was rewritten; the bytes are compared with those kept and
/// only the edited line is decoded (the rewrite itself is not timed).
void loadListAfterRewrite(benchmark::State &state, const Data *d) {
    d->reset();
    ActivityLog log(d->logPath);
    benchmark::DoNotOptimize(log.read());
    const QString first = d->logLines.first();
    QString edited = first;
    edited[edited.size() - 1] = QLatin1Char('X');
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const bool even = i++ % 2 == 0;
        if (!log.replace(even ? edited : first, even ? first : edited).ok)
            std::abort();
        state.ResumeTiming();
        benchmark::DoNotOptimize(log.read());
    }
}

void operatorCount(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(countOperators(d->logLines));
}

/// The count the entry window keeps after each live QSO: one more line counted into the tally
/// of the whole log (the log's lines and the new QSO's call sign vary).
void operatorCountAfterAppend(benchmark::State &state, const Data *d) {
    d->reset();
    // The log as the entry window reads it: each reading one line longer than the one before,
    // with the way from it.
    LogReading log{d->logLines, 1, {}};
    LogChange last;
    log.changesSince = [&](quint64 since) -> std::optional<QList<LogChange>> {
        if (since + 1 != log.version)
            return std::nullopt;
        return QList<LogChange>{last};
    };
    OperatorTally tally;
    tally.count(log);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString line = d->logLines.at((i++ * 7919) % d->logLines.size());
        last = LogChange{log.lines.size(), {}, {line}};
        log.lines.append(line);
        ++log.version;
        state.ResumeTiming();
        benchmark::DoNotOptimize(tally.count(log));
    }
}

void departments(benchmark::State &state, const Data *d) {
    d->reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(Colore_Departements(d->logLines, QStringLiteral("14"),
                                                     QStringLiteral("SSB"), QStringLiteral("7"),
                                                     QStringLiteral("CW")));
}

/// A QSO typed in insert mode, placed in the middle of the log (the whole file is rewritten).
void insertChronologically(benchmark::State &state, const Data *d) {
    d->reset();
    ActivityLog log(d->logPath);
    const QString middle = d->logLines.at(d->logLines.size() / 2);
    for (auto _ : state) {
        if (!log.insertChronologically(middle).ok)
            std::abort();
    }
}

void sizes(const Data &d, const char *where) {
    std::printf(
        "%s : journal %lld octets (%d QSO), mémoire des prénoms %lld octets (%d indicatifs)\n",
        where, QFileInfo(d.logPath).size(), int(d.logLines.size()), QFileInfo(d.memoryPath).size(),
        memorySize);
}

void registerAll(const char *where, const Data *d) {
    const auto add = [&](const char *name, void (*fn)(benchmark::State &, const Data *)) {
        return benchmark::RegisterBenchmark((std::string(name) + "/" + where).c_str(), fn, d)
            ->Unit(benchmark::kMicrosecond);
    };
    add("floor_read_log_and_memory", floorReadBoth);
    add("floor_read_memory", floorReadMemory);
    add("floor_read_log", floorReadLog);
    add("floor_append_fdatasync", floorAppendSync);
    add("floor_rewrite_log_fsync", floorRewriteLog)->Iterations(20);
    add("floor_rewrite_memory_fsync", floorRewriteMemory)->Iterations(20);
    add("duplicate_check", duplicateOnly);
    add("duplicate_check_and_first_name", duplicateAndFirstName);
    add("remember_new_and_append_qso", rememberNewAndAppend);
    add("remember_known_changed_rewrite", rememberKnownChanged)->Iterations(20);
    add("read_log_again", loadList);
    add("read_and_number_log_uncached", loadListUncached);
    add("read_log_after_append", loadListAfterAppend)->Iterations(200);
    add("read_log_after_edit", loadListAfterRewrite)->Iterations(50);
    add("operator_count", operatorCount);
    add("operator_count_after_append", operatorCountAfterAppend)->Iterations(2000);
    add("department_set", departments);
    add("insert_chronologically", insertChronologically)->Iterations(20);
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    const QString diskRoot = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const QString tmpfsRoot = qEnvironmentVariable("ZEP_BENCH_TMPFS", QStringLiteral("/dev/shm"));
    // Each case at both log sizes: "10k" is one busy activation, "100k" one reference's log
    // kept over years.
    std::vector<std::unique_ptr<Data>> data;
    const bool tmpfs = QFileInfo(tmpfsRoot).isDir() && QFileInfo(tmpfsRoot).isWritable();
    for (const auto &[size, label] : {std::pair{logSize, "10k"}, std::pair{largeLogSize, "100k"}}) {
        data.push_back(std::make_unique<Data>(diskRoot, size));
        sizes(*data.back(), "disque");
        registerAll((std::string("disk/") + label).c_str(), data.back().get());
        if (tmpfs) {
            data.push_back(std::make_unique<Data>(tmpfsRoot, size));
            registerAll((std::string("tmpfs/") + label).c_str(), data.back().get());
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
