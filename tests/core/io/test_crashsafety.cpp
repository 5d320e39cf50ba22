// Every change to a data file must leave it whole: a full disk, a failing disk, a short write or
// a killed process at any system call leaves the old bytes or the new ones, never a cut file,
// never a stray scratch file, and never a failure reported as success.

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <unistd.h>

using namespace zep;

namespace {

/// How the injected fault behaves.
enum class Fault {
    Once,          ///< call N fails, the disk recovers at once
    ForGood,       ///< call N and the ones after it fail (a full or a dead disk)
    ShortWrite,    ///< call N, if it is a write, writes only half of its bytes
    ShortThenFull, ///< call N writes half, the call after it fails with a full disk
};

struct Plan {
    Fault fault = Fault::Once;
    int error = ENOSPC;
    int at = 0; ///< 1-based number of the call to spoil; 0 spoils nothing
};

/// System calls that go wrong on purpose, and remember what they refused.
class FaultyCalls : public sys::Calls {
public:
    explicit FaultyCalls(Plan plan) : plan_(plan) {}

    int count = 0;
    QStringList trace;
    /// A refused call that could lose data (anything but the directory sync, and a close of
    /// a descriptor whose data was already synced): the caller must report a failure.
    bool refusedData = false;
    /// A refused unlink or ftruncate: the undo of a failed change could not happen.
    bool refusedCleanup = false;

    int open(const char *path, int flags, mode_t mode) override {
        const bool directory = flags & O_DIRECTORY;
        if (spoil("open", directory, (flags & O_CREAT) != 0))
            return -1;
        const int fd = sys::Calls::open(path, flags, mode);
        if (fd >= 0 && directory)
            directories_.insert(fd);
        return fd;
    }
    ssize_t write(int fd, const void *data, size_t size) override {
        dirty_.insert(fd);
        if (size >= 2 && shortNow())
            return sys::Calls::write(fd, data, size / 2);
        if (spoil("write", false, true))
            return -1;
        return sys::Calls::write(fd, data, size);
    }
    ssize_t pread(int fd, void *data, size_t size, off_t offset) override {
        if (spoil("pread", false, false))
            return -1;
        return sys::Calls::pread(fd, data, size, offset);
    }
    int fsync(int fd) override {
        if (spoil("fsync", directories_.contains(fd), true))
            return -1;
        dirty_.erase(fd);
        return sys::Calls::fsync(fd);
    }
    int fdatasync(int fd) override {
        if (spoil("fdatasync", false, true))
            return -1;
        dirty_.erase(fd);
        return sys::Calls::fdatasync(fd);
    }
    int ftruncate(int fd, off_t length) override {
        dirty_.insert(fd);
        if (spoil("ftruncate", false, false)) {
            refusedCleanup = true;
            return -1;
        }
        return sys::Calls::ftruncate(fd, length);
    }
    int close(int fd) override {
        // A close that fails still frees the descriptor; it only matters when data written
        // through it was never synced.
        const bool harmless = directories_.contains(fd) || !dirty_.contains(fd);
        directories_.erase(fd);
        dirty_.erase(fd);
        const bool refuse = spoil("close", harmless, false);
        const int result = sys::Calls::close(fd);
        if (refuse) {
            errno = plan_.error;
            return -1;
        }
        return result;
    }
    int rename(const char *from, const char *to) override {
        if (spoil("rename", false, false))
            return -1;
        return sys::Calls::rename(from, to);
    }
    int unlink(const char *path) override {
        if (spoil("unlink", false, false)) {
            refusedCleanup = true;
            return -1;
        }
        return sys::Calls::unlink(path);
    }

private:
    /// Counts the call and says whether to refuse it (errno set).
    bool spoil(const char *name, bool harmless, bool takesSpace) {
        ++count;
        trace << QString::fromLatin1(name);
        bool refuse = false;
        switch (plan_.fault) {
        case Fault::Once:
            refuse = count == plan_.at;
            break;
        case Fault::ForGood:
            // A full disk still lets a file be closed, cut back or removed; a dead one does not.
            refuse = plan_.at > 0 && count >= plan_.at && (plan_.error != ENOSPC || takesSpace);
            break;
        case Fault::ShortWrite:
            break;
        case Fault::ShortThenFull:
            refuse = failNext_;
            failNext_ = false;
            break;
        }
        if (!refuse)
            return false;
        if (!harmless)
            refusedData = true;
        errno = plan_.fault == Fault::ShortThenFull ? ENOSPC : plan_.error;
        return true;
    }
    /// Counts a write that is to come up short.
    bool shortNow() {
        const bool isShort =
            (plan_.fault == Fault::ShortWrite || plan_.fault == Fault::ShortThenFull) &&
            count + 1 == plan_.at;
        if (!isShort)
            return false;
        ++count;
        trace << QStringLiteral("write(short)");
        failNext_ = plan_.fault == Fault::ShortThenFull;
        return true;
    }

    Plan plan_;
    bool failNext_ = false;
    std::set<int> directories_;
    std::set<int> dirty_;
};

using Bytes = std::optional<QByteArray>; // nullopt: the file does not exist

Bytes bytesOf(const QString &path) {
    QFile f(path);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void put(const QString &path, const Bytes &bytes) {
    if (!bytes) {
        QFile::remove(path);
        return;
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(*bytes), bytes->size());
}

/// Readable form of a file's bytes for failure messages (CR, LF and accents escaped).
std::string show(const Bytes &bytes) {
    return bytes ? bytes->toPercentEncoding(" /:").toStdString() : std::string("<absent>");
}

/// The Windows-1252 bytes of a text (its accented letters are also Latin-1 ones).
QByteArray w1252(const char *utf8) {
    return QString::fromUtf8(utf8).toLatin1();
}

/// One file change: the file before, the call, and the file it must give.
struct Change {
    const char *name;
    QString target; // file name inside the working directory
    Bytes before;
    Bytes after;
    std::function<IoResult(const QDir &)> run;
    std::function<void(const QDir &)> prepare = [](const QDir &) {};
};

const QByteArray oldLog = w1252("01/05/24 10:12 F6ABC        Hélène\r\n"
                                "01/05/24 10:15 ON4XYZ       Loïc\r\n");

std::vector<Change> changes() {
    std::vector<Change> all;
    all.push_back({"rewrite", "F-12345.txt", oldLog,
                   w1252("01/05/24 10:20 DL1AAA       Jürgen\r\n"), [](const QDir &d) {
                       return writeTextFile(d.filePath("F-12345.txt"),
                                            {QStringLiteral("01/05/24 10:20 DL1AAA       Jürgen")});
                   }});
    all.push_back({"rewrite to an empty file", "F-12345.txt", oldLog, QByteArray(),
                   [](const QDir &d) { return writeTextFile(d.filePath("F-12345.txt"), {}); }});
    all.push_back({"rewrite through the insertion scratch file", "F-12345.txt", oldLog,
                   oldLog + w1252("02/05/24 08:00 EA3ZZ        José\r\n"), [](const QDir &d) {
                       return writeBytesFile(d.filePath("F-12345.txt"),
                                             oldLog + w1252("02/05/24 08:00 EA3ZZ        José\r\n"),
                                             QStringLiteral("Temporaire6.txt"));
                   }});
    all.push_back({"first write of a new file", "Liste_Prenom.txt", std::nullopt,
                   w1252("F6ABC       Hélène\r\n"), [](const QDir &d) {
                       return writeTextFile(d.filePath("Liste_Prenom.txt"),
                                            {QStringLiteral("F6ABC       Hélène")});
                   }});
    all.push_back({"append", "F-12345.txt", oldLog,
                   oldLog + w1252("01/05/24 10:31 G4KKK        Zoë\r\n"), [](const QDir &d) {
                       return appendTextLine(d.filePath("F-12345.txt"),
                                             QStringLiteral("01/05/24 10:31 G4KKK        Zoë"));
                   }});
    all.push_back({"append after a torn line", "F-12345.txt", oldLog + "01/05/24 10:1",
                   oldLog + "01/05/24 10:1\r\n01/05/24 10:31 G4KKK\r\n", [](const QDir &d) {
                       return appendTextLine(d.filePath("F-12345.txt"),
                                             QStringLiteral("01/05/24 10:31 G4KKK"));
                   }});
    all.push_back({"append to a missing file", "F-12345.txt", std::nullopt,
                   "01/05/24 10:31 G4KKK\r\n", [](const QDir &d) {
                       return appendTextLine(d.filePath("F-12345.txt"),
                                             QStringLiteral("01/05/24 10:31 G4KKK"));
                   }});
    all.push_back({"copy to the second reference", "F-67890.txt", QByteArray("ancien\r\n"), oldLog,
                   [](const QDir &d) {
                       return copyFileSafely(d.filePath("F-12345.txt"), d.filePath("F-67890.txt"));
                   },
                   [](const QDir &d) { put(d.filePath("F-12345.txt"), oldLog); }});
    all.push_back(
        {"export written while it is made", "F4ABC @ F-12345.adi", QByteArray("ancien\r\n"),
         "<CALL:5>G4KKK<EOR>\r\n<CALL:5>EA3ZZ<EOR>\r\n", [](const QDir &d) {
             ScratchWriter writer(d.filePath("F4ABC @ F-12345.adi"),
                                  QStringLiteral(".export.zep-tmp"));
             for (const char *piece : {"<CALL:5>G4KKK<EOR>\r\n", "", "<CALL:5>EA3ZZ<EOR>\r\n"})
                 if (!writer.append(piece))
                     break;
             return writer.commit();
         }});
    all.push_back({"remove", "F-12345.txt.bak", oldLog, std::nullopt,
                   [](const QDir &d) { return removeFile(d.filePath("F-12345.txt.bak")); }});
    return all;
}

/// The names in the working directory other than the ones the change may leave.
QStringList strays(const QDir &dir, const QString &target) {
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(target);
    names.removeAll(QStringLiteral("F-12345.txt")); // the source of the copy
    return names;
}

bool looksFrench(const QString &message) {
    return message.startsWith(QStringLiteral("Impossible ")) &&
           message.contains(QStringLiteral("\""));
}

struct Outcome {
    IoResult result;
    FaultyCalls calls;
    Bytes file;
    QStringList strays;
};

Outcome runWith(const Change &change, Plan plan) {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    put(dir.filePath(change.target), change.before);
    change.prepare(dir);
    Outcome out{IoResult::success(), FaultyCalls(plan), {}, {}};
    {
        sys::ScopedCalls guard(out.calls);
        out.result = change.run(dir);
    }
    out.file = bytesOf(dir.filePath(change.target));
    out.strays = strays(dir, change.target);
    return out;
}

/// Spoils each call of the change in turn, with the given kind of fault.
void spoilEveryCall(Fault fault, int error) {
    for (const Change &change : changes()) {
        const Outcome clean = runWith(change, {fault, error, 0});
        ASSERT_TRUE(clean.result.ok) << change.name << ": " << clean.result.message.toStdString();
        ASSERT_EQ(clean.file, change.after) << change.name;
        ASSERT_GT(clean.calls.count, 0) << change.name;

        for (int n = 1; n <= clean.calls.count + 1; ++n) {
            const Outcome o = runWith(change, {fault, error, n});
            const QString where = QStringLiteral("%1, call %2 of [%3]")
                                      .arg(QString::fromLatin1(change.name))
                                      .arg(n)
                                      .arg(o.calls.trace.join(QLatin1Char(' ')));
            SCOPED_TRACE(where.toStdString());
            // A dead disk may refuse the very undo of a failed change: then, and only then,
            // the file may keep the new bytes and the scratch file may stay behind.
            const bool undoRefused = o.calls.refusedCleanup;
            if (o.result.ok) {
                EXPECT_FALSE(o.calls.refusedData) << "failure reported as success";
                EXPECT_EQ(show(o.file), show(change.after));
                EXPECT_TRUE(o.strays.isEmpty()) << o.strays.join(' ').toStdString();
            } else {
                EXPECT_TRUE(looksFrench(o.result.message)) << o.result.message.toStdString();
                // With the undo refused, a file the change created may also stay, empty.
                if (undoRefused &&
                    (o.file == change.after || (!change.before && o.file == QByteArray())))
                    continue;
                EXPECT_EQ(show(o.file), show(change.before))
                    << "failed with: " << o.result.message.toStdString();
                if (!undoRefused) {
                    EXPECT_TRUE(o.strays.isEmpty()) << o.strays.join(' ').toStdString();
                }
            }
        }
    }
}

} // namespace

TEST(CrashSafety, DataIsSyncedBeforeItReplacesOrExtendsTheFile) {
    for (const Change &change : changes()) {
        const QStringList t = runWith(change, {}).calls.trace;
        SCOPED_TRACE(std::string(change.name) + ": " + t.join(' ').toStdString());
        if (t.contains(QStringLiteral("rename"))) {
            // write, fsync, close of the scratch file, then rename, then the directory sync.
            const auto rename = t.indexOf(QStringLiteral("rename"));
            EXPECT_LT(t.lastIndexOf(QStringLiteral("write")), t.indexOf(QStringLiteral("fsync")));
            EXPECT_LT(t.indexOf(QStringLiteral("fsync")), rename);
            EXPECT_LT(t.indexOf(QStringLiteral("close")), rename);
            EXPECT_GT(t.lastIndexOf(QStringLiteral("fsync")), rename);
        } else if (t.contains(QStringLiteral("write"))) {
            EXPECT_EQ(t.count(QStringLiteral("write")), 1) << "one write per appended line";
            EXPECT_LT(t.indexOf(QStringLiteral("write")), t.indexOf(QStringLiteral("fdatasync")));
        }
    }
}

TEST(CrashSafety, EachCallFailingOnceLeavesOldOrNewBytes) {
    spoilEveryCall(Fault::Once, ENOSPC);
    spoilEveryCall(Fault::Once, EIO);
}

TEST(CrashSafety, AFullDiskFromAnyCallOnLeavesTheOldBytes) {
    spoilEveryCall(Fault::ForGood, ENOSPC);
}

TEST(CrashSafety, ADeadDiskFromAnyCallOnNeverReportsSuccessWrongly) {
    spoilEveryCall(Fault::ForGood, EIO);
}

TEST(CrashSafety, ShortWritesAreCompletedOrUndone) {
    spoilEveryCall(Fault::ShortWrite, 0);
    spoilEveryCall(Fault::ShortThenFull, ENOSPC);
}

TEST(CrashSafety, FailureMessagesNameTheFileAndTheCause) {
    const Change change = changes().front();
    const Outcome full = runWith(change, {Fault::ForGood, ENOSPC, 2});
    ASSERT_FALSE(full.result.ok);
    EXPECT_TRUE(full.result.message.contains(QStringLiteral("F-12345.txt")));
    EXPECT_TRUE(full.result.message.contains(QStringLiteral("le disque est plein")));
    EXPECT_TRUE(full.result.message.contains(QStringLiteral("Le fichier précédent est conservé")));
    const Outcome dead = runWith(change, {Fault::Once, EIO, 2});
    EXPECT_TRUE(dead.result.message.contains(QStringLiteral("erreur d'entrée-sortie du disque")));
}

TEST(CrashSafety, AppendAfterALineTornBetweenItsCrAndLfDoesNotDoubleTheCr) {
    // A line cut right after its CR is complete: only its LF is missing.
    QTemporaryDir tmp;
    const QString path = QDir(tmp.path()).filePath(QStringLiteral("F-12345.txt"));
    put(path, QByteArray("01/05/24 10:12 F6ABC\r"));
    ASSERT_TRUE(appendTextLine(path, QStringLiteral("01/05/24 10:31 G4KKK")).ok);
    EXPECT_EQ(show(bytesOf(path)),
              show(QByteArray("01/05/24 10:12 F6ABC\r\n01/05/24 10:31 G4KKK\r\n")));
    EXPECT_EQ(readTextFile(path).lines, (QStringList{QStringLiteral("01/05/24 10:12 F6ABC"),
                                                     QStringLiteral("01/05/24 10:31 G4KKK")}));
}

#ifdef ZEP_CRASH_WRITER

namespace {

struct WriterRun {
    bool completed = false; ///< the writer said "fait" and exited cleanly
    QString output;
};

/// Runs the writer, under strace killing it at the `when`-th call of `syscall` if one is named.
WriterRun runWriter(const QStringList &args, const QString &syscall = {}, int when = 0) {
    QProcess process;
    if (syscall.isEmpty()) {
        process.start(QStringLiteral(ZEP_CRASH_WRITER), args);
    } else {
        process.start(
            QStringLiteral("strace"),
            QStringList{QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("-e"),
                        QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(syscall).arg(when),
                        QStringLiteral(ZEP_CRASH_WRITER)} +
                args);
    }
    WriterRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.output = QStringLiteral("<timeout>");
        return run;
    }
    run.output =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    run.completed = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
                    run.output.contains(QStringLiteral("fait"));
    return run;
}

} // namespace

TEST(CrashSafety, AWriterKilledAtAnyFileCallLeavesOldOrNewAndTheNextOneWorks) {
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        GTEST_SKIP() << "strace est absent : le test d'interruption brutale est sauté "
                        "(paquet Debian strace, voir scripts/setup.sh)";
    {
        QTemporaryDir probe;
        const QString file = QDir(probe.path()).filePath(QStringLiteral("essai.txt"));
        if (!runWriter({QStringLiteral("append"), file, QStringLiteral("x")},
                       QStringLiteral("getpid"), 65535)
                 .completed)
            GTEST_SKIP() << "strace ne peut pas suivre un processus ici (ptrace refusé)";
    }

    const QByteArray before = "01/05/24 10:12 F6ABC\r\n01/05/24 10:15 ON4XYZ\r\n";
    struct Op {
        QStringList args; // after the file name
        QByteArray after;
        const char *verb;
    };
    const std::vector<Op> ops = {
        {{QStringLiteral("01/05/24 10:20 DL1AAA"), QStringLiteral("01/05/24 10:22 EA3ZZ")},
         "01/05/24 10:20 DL1AAA\r\n01/05/24 10:22 EA3ZZ\r\n",
         "rewrite"},
        {{QStringLiteral("01/05/24 10:31 G4KKK")}, before + "01/05/24 10:31 G4KKK\r\n", "append"},
    };
    // x86-64 glibc reaches these for open, rename and unlink; the others are listed so that a
    // libc choosing them is still covered.
    const QStringList syscalls = {"openat", "open",      "write",  "fsync",    "fdatasync", "close",
                                  "rename", "renameat2", "unlink", "unlinkat", "ftruncate"};
    int kills = 0, scratchesLeft = 0;
    for (const Op &op : ops) {
        // Kills before the change takes effect must leave the old file, kills after it the new
        // one: seeing both shows the loop reached past the point where the file changes.
        int keptOld = 0, keptNew = 0;
        for (const QString &syscall : syscalls) {
            for (int n = 1;; ++n) {
                ASSERT_LT(n, 2000) << "the writer never completes under " << syscall.toStdString();
                QTemporaryDir tmp;
                const QDir dir(tmp.path());
                const QString path = dir.filePath(QStringLiteral("F-12345.txt"));
                put(path, before);
                SCOPED_TRACE(QStringLiteral("%1 killed at %2 #%3")
                                 .arg(QString::fromLatin1(op.verb), syscall)
                                 .arg(n)
                                 .toStdString());
                const WriterRun run = runWriter(
                    QStringList{QString::fromLatin1(op.verb), path} + op.args, syscall, n);
                const Bytes left = bytesOf(path);
                if (run.completed) {
                    EXPECT_EQ(show(left), show(op.after));
                    EXPECT_TRUE(strays(dir, QStringLiteral("F-12345.txt")).isEmpty());
                    break;
                }
                ++kills;
                keptOld += left == before;
                keptNew += left == op.after;
                ASSERT_TRUE(left == before || left == op.after)
                    << "file left as " << show(left) << "; writer said "
                    << run.output.toStdString();
                // Whatever else the kill left is a scratch file, known as one by its name.
                for (const QString &stray : strays(dir, QStringLiteral("F-12345.txt"))) {
                    EXPECT_TRUE(scratch::isScratchFileName(stray)) << stray.toStdString();
                    ++scratchesLeft;
                }

                // A fresh run of the program picks up where the killed one stopped.
                const WriterRun later = runWriter(
                    {QStringLiteral("append"), path, QStringLiteral("01/05/24 11:00 K1AA")});
                ASSERT_TRUE(later.completed) << later.output.toStdString();
                EXPECT_EQ(show(bytesOf(path)), show(*left + "01/05/24 11:00 K1AA\r\n"));
                const WriterRun rewrite =
                    runWriter(QStringList{QStringLiteral("rewrite"), path} + op.args);
                ASSERT_TRUE(rewrite.completed) << rewrite.output.toStdString();
                EXPECT_EQ(
                    show(bytesOf(path)),
                    show(op.args.size() == 2 ? op.after : QByteArray("01/05/24 10:31 G4KKK\r\n")));
                EXPECT_TRUE(strays(dir, QStringLiteral("F-12345.txt")).isEmpty());
            }
        }
        EXPECT_GT(keptOld, 0) << op.verb;
        EXPECT_GT(keptNew, 0) << op.verb;
    }
    EXPECT_GT(kills, 20) << "the writer was hardly ever killed: is the injection working?";
    // Some kills fell between the scratch file's creation and its rename: the next run found
    // it and removed it (the strays checked after each later run).
    EXPECT_GT(scratchesLeft, 0);
}

#endif
