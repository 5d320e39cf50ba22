// The live copy of the data files and the restore of a damaged log from it.

#include "core/Activation.h"
#include "core/BackupCopy.h"
#include "core/BackupMirror.h"
#include "core/BackupRestore.h"
#include "core/SysCalls.h"
#include "core/TextFile.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/mount.h>

using namespace zep;
using namespace zep::backup;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

QString qso(int n) {
    return zep::testing::qsoLineOf(
        QStringLiteral("07/12/26"), QStringLiteral("14:%1").arg(n % 60, 2, 10, QLatin1Char('0')),
        QStringLiteral("F%1ABC").arg(n % 10), QStringLiteral("21"), QStringLiteral("Jean"),
        QStringLiteral("SSB"), QStringLiteral("7"));
}

/// The bytes of a log of `count` QSOs.
QByteArray log(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << qso(i);
    return zep::testing::logBytesOf(lines);
}

/// Counts the file-changing calls, to tell an append (one write, one sync) from a rewrite.
struct CountingCalls : sys::Calls {
    int writes = 0, syncs = 0, renames = 0;
    ssize_t write(int fd, const void *d, size_t n) override {
        ++writes;
        return sys::Calls::write(fd, d, n);
    }
    int fdatasync(int fd) override {
        ++syncs;
        return sys::Calls::fdatasync(fd);
    }
    int fsync(int fd) override {
        ++syncs;
        return sys::Calls::fsync(fd);
    }
    int rename(const char *a, const char *b) override {
        ++renames;
        return sys::Calls::rename(a, b);
    }
};

/// A program directory holding one activation, and a backup folder.
struct Folders {
    QTemporaryDir data, copies;
    QString number = QStringLiteral("DFCF-21-001");
    Folders() {
        ActivationRecord r;
        r.number = number;
        r.activator = QStringLiteral("F4ABC");
        EXPECT_TRUE(ActivationList(data.path()).append(formatActivationLine(r, 0)));
    }
    QString logName() const { return activityLogFileName(number); }
    QString original(const QString &name) const { return data.filePath(name); }
    QString copy(const QString &name) const { return copies.filePath(name); }
    QString logPath() const { return original(logName()); }
    QString copyLog() const { return copy(logName()); }
};

bool waitFor(BackupMirror &mirror, BackupMirror::State state, int ms = 10000) {
    return QTest::qWaitFor([&] { return mirror.state() == state; }, ms);
}

} // namespace

TEST(BackupDamage, TellsWhichLogsCallForARestore) {
    const QByteArray five = log(5), three = log(3);
    const QByteArray cutLine = three + five.mid(three.size(), 40);
    const QByteArray shortLine = three + "F4ABC\r\n";
    const QByteArray other = log(4).replace("Jean", "Paul");
    struct Row {
        const char *name;
        bool logMissing;
        QByteArray log;
        bool copyMissing;
        QByteArray copy;
        Damage expected;
    };
    const Row rows[] = {
        {"same", false, five, false, five, Damage::None},
        {"log ahead of its copy", false, five, false, three, Damage::None},
        {"no copy", false, three, true, {}, Damage::None},
        {"truncated", false, three, false, five, Damage::Truncated},
        {"emptied", false, {}, false, five, Damage::Truncated},
        {"torn: cut last line", false, cutLine, false, five, Damage::Torn},
        {"torn: no line end", false, five.chopped(2), false, five, Damage::Torn},
        {"torn: short last line", false, shortLine, false, three, Damage::Torn},
        {"torn but the copy lacks whole lines", false, five + "F4", false, three, Damage::None},
        {"missing", true, {}, false, five, Damage::Missing},
        {"missing, copy empty", true, {}, false, {}, Damage::None},
        {"copy torn itself", false, three, false, cutLine + five.mid(cutLine.size()).chopped(1),
         Damage::None},
        {"other QSOs", false, three, false, other, Damage::None},
    };
    for (const Row &r : rows)
        EXPECT_EQ(damageOf(r.logMissing, r.log, r.copyMissing, r.copy), r.expected) << r.name;
}

TEST(BackupFollow, AppendsOnlyToACopyThatIsTheOriginalAsItWas) {
    const QByteArray before = log(30);
    const QByteArray line = zep::testing::logBytesOf({qso(31)});
    QByteArray changedTail = before;
    changedTail[changedTail.size() - 5] = 'X';
    struct Row {
        const char *name;
        std::optional<QByteArray> copy;
        Step expected;
    };
    const Row rows[] = {
        {"copy as the original was", before, Step::Append},
        {"no copy", std::nullopt, Step::Replace},
        {"copy behind", log(29), Step::Replace},
        {"copy ahead", log(31), Step::Replace},
        {"same size, other content", changedTail, Step::Replace},
    };
    for (const Row &r : rows) {
        Folders f;
        put(f.logPath(), before + line);
        QFile::remove(f.copyLog());
        if (r.copy)
            put(f.copyLog(), *r.copy);
        EXPECT_EQ(appendStep(f.logPath(), f.copyLog(), before.size()), r.expected) << r.name;
        CountingCalls counting;
        {
            sys::ScopedCalls scoped(counting);
            ASSERT_TRUE(followAppend(f.logPath(), f.copyLog(), line, before.size())) << r.name;
        }
        EXPECT_EQ(bytesOf(f.copyLog()), before + line) << r.name;
        if (r.expected == Step::Append) { // one write and one sync, nothing renamed
            EXPECT_EQ(counting.writes, 1) << r.name;
            EXPECT_EQ(counting.syncs, 1) << r.name;
        }
        EXPECT_EQ(counting.renames, r.expected == Step::Replace ? 1 : 0) << r.name;
    }
}

TEST(BackupCatchUp, ComparesContentNotDatesAndHoldsALogItsCopyCouldRepair) {
    Folders f;
    put(f.original(QStringLiteral("Liste_Prenom.txt")), "F4ABC Jean\r\n");
    put(f.copy(QStringLiteral("Liste_Prenom.txt")), "F4ABC Paul\r\n"); // same size, newer
    put(f.original(QStringLiteral("Temporaire.txt")), "scratch");
    put(f.original(QStringLiteral("Notes.frq")), "frq");
    put(f.logPath(), log(3));
    put(f.copyLog(), log(5));

    CatchUpResult first = catchUp(f.data.path(), f.copies.path(), {});
    ASSERT_TRUE(first.status) << first.status.message.toStdString();
    EXPECT_EQ(first.held, QStringList{f.logName()});
    EXPECT_EQ(bytesOf(f.copyLog()), log(5)) << "a held copy keeps the QSOs the log lost";
    for (const char *name : {"Liste_Prenom.txt", "Notes.frq", "Liste_Activite.txt"})
        EXPECT_EQ(bytesOf(f.copy(QString::fromLatin1(name))),
                  bytesOf(f.original(QString::fromLatin1(name))))
            << name;
    EXPECT_FALSE(QFile::exists(f.copy(QStringLiteral("Temporaire.txt"))));

    // Once the program itself changed the log, the copy follows it.
    CatchUpResult second = catchUp(f.data.path(), f.copies.path(), {f.logName()});
    ASSERT_TRUE(second.status);
    EXPECT_EQ(second.replaced, QStringList{f.logName()});
    EXPECT_EQ(bytesOf(f.copyLog()), log(3));

    EXPECT_FALSE(catchUp(f.data.path(), f.copies.filePath(QStringLiteral("absent")), {}).status);
}

TEST(BackupMirrorLive, EveryChangeOfADataFileReachesTheCopyAndNothingElse) {
    Folders f;
    BackupMirror mirror(f.data.path());
    mirror.install();
    mirror.setFolder(f.copies.path());
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate));
    const QString outside = f.data.filePath(QStringLiteral("sous-dossier"));
    ASSERT_TRUE(QDir().mkpath(outside));

    for (int i = 1; i <= 20; ++i)
        ASSERT_TRUE(appendTextLine(f.logPath(), qso(i)));
    ASSERT_TRUE(writeTextFile(f.original(QStringLiteral("Liste_Prenom.txt")), {"F4ABC Jean"}));
    ASSERT_TRUE(writeTextFile(f.original(QStringLiteral("A.frq")), {"x"}));
    ASSERT_TRUE(removeFile(f.original(QStringLiteral("A.frq"))));
    ASSERT_TRUE(writeTextFile(outside + QStringLiteral("/Export.adi"), {"<eor>"}));
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate));

    EXPECT_EQ(bytesOf(f.copyLog()), log(20));
    EXPECT_EQ(bytesOf(f.copy(QStringLiteral("Liste_Prenom.txt"))), "F4ABC Jean\r\n");
    EXPECT_FALSE(QFile::exists(f.copy(QStringLiteral("A.frq"))));
    EXPECT_FALSE(QFile::exists(f.copies.filePath(QStringLiteral("sous-dossier/Export.adi"))));
    EXPECT_FALSE(QFile::exists(f.copies.filePath(QStringLiteral("Export.adi"))));

    mirror.setFolder(f.data.path()); // onto the originals: no copy at all
    EXPECT_EQ(mirror.state(), BackupMirror::State::Off);
}

namespace {

/// A tmpfs mounted on the backup folder for the life of the object; empty when this machine
/// does not let the test mount one.
struct SmallMedium {
    QString path;
    explicit SmallMedium(const QString &at, const char *size) {
        const QByteArray options = QByteArray("size=") + size;
        if (::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs", 0, options.constData()) ==
            0)
            path = at;
    }
    bool remount(const char *options) const {
        return ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", MS_REMOUNT,
                       options) == 0;
    }
    ~SmallMedium() {
        if (!path.isEmpty())
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

} // namespace

// A medium that fills up and one that turns read-only (root writes through permissions, so a
// read-only remount of the tmpfs plays the write-protected stick): entry goes on, one warning
// is given, and the copy catches up by itself once the medium can take it again.
TEST(BackupMedium, FullOrReadOnlyWarnsOnceAndCatchesUp) {
    struct Row {
        const char *name;
        const char *size;
        const char *breakIt; ///< remount options that make it fail (empty: fill it up)
        const char *repair;
    };
    const Row rows[] = {
        {"full", "48k", "", "size=4m"},
        {"read-only", "4m", "ro,size=4m", "rw,size=4m"},
    };
    for (const Row &r : rows) {
        Folders f;
        SmallMedium medium(f.copies.path(), r.size);
        if (medium.path.isEmpty())
            GTEST_SKIP() << "mount -t tmpfs n'est pas permis ici";
        BackupMirror mirror(f.data.path());
        mirror.setRetryInterval(50);
        mirror.install();
        QSignalSpy warnings(&mirror, &BackupMirror::warning);
        mirror.setFolder(f.copies.path());
        ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate)) << r.name;
        if (*r.breakIt) {
            ASSERT_TRUE(medium.remount(r.breakIt)) << r.name;
        }

        // 600 QSOs (63 kB) do not fit in 48 kB.
        for (int i = 1; i <= 600; ++i)
            ASSERT_TRUE(appendTextLine(f.logPath(), qso(i))) << r.name;
        ASSERT_TRUE(waitFor(mirror, BackupMirror::State::Absent)) << r.name;
        QTest::qWait(300); // several retries fail meanwhile
        EXPECT_EQ(warnings.count(), 1) << r.name;
        EXPECT_EQ(bytesOf(f.logPath()), log(600)) << r.name;

        ASSERT_TRUE(medium.remount(r.repair)) << r.name;
        ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate)) << r.name;
        EXPECT_EQ(bytesOf(f.copyLog()), log(600)) << r.name;
        ASSERT_TRUE(appendTextLine(f.logPath(), qso(601)));
        ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate)) << r.name;
        EXPECT_EQ(bytesOf(f.copyLog()), log(601)) << r.name;
        EXPECT_EQ(warnings.count(), 1) << r.name;
    }
}

TEST(BackupMedium, AFileWhereTheFolderShouldBeIsAnAbsentMedium) {
    Folders f;
    const QString notAFolder = f.copies.filePath(QStringLiteral("fichier"));
    put(notAFolder, "x");
    BackupMirror mirror(f.data.path());
    mirror.install();
    QSignalSpy warnings(&mirror, &BackupMirror::warning);
    mirror.setFolder(notAFolder);
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::Absent));
    ASSERT_TRUE(appendTextLine(f.logPath(), qso(1)));
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::Absent));
    ASSERT_EQ(warnings.count(), 1);
    EXPECT_TRUE(warnings.at(0).at(0).toString().contains(QStringLiteral("n'est pas un dossier")));
    EXPECT_EQ(bytesOf(notAFolder), "x");
}

// A helper process copies in a loop (the program's log grows and is rewritten while the live
// copy follows it) and is killed with SIGKILL; every file it left is whole, and a mirror at
// the next start brings the copy up to date.
TEST(BackupKill, ACopyCutBySigkillIsOldOrNewAndCatchesUpAtTheNextStart) {
    for (const int delayMs : {40, 150, 400}) {
        Folders f;
        QProcess copier;
        copier.start(QStringLiteral(ZEP_BACKUP_COPIER), {f.data.path(), f.copies.path()});
        ASSERT_TRUE(copier.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(f.copyLog()).size() > 2000; }, 10000));
        QTest::qWait(delayMs);
        ::kill(pid_t(copier.processId()), SIGKILL);
        ASSERT_TRUE(copier.waitForFinished());
        ASSERT_EQ(copier.exitStatus(), QProcess::CrashExit);

        const QByteArray original = bytesOf(f.logPath());
        const QByteArray copy = bytesOf(f.copyLog());
        EXPECT_FALSE(shapeOf(original).torn) << delayMs;
        EXPECT_FALSE(shapeOf(copy).torn) << delayMs;
        // The copy is the log as it stood at some moment: the lines already written.
        EXPECT_TRUE(original.startsWith(copy)) << delayMs;

        BackupMirror next(f.data.path());
        next.setFolder(f.copies.path());
        ASSERT_TRUE(waitFor(next, BackupMirror::State::UpToDate));
        EXPECT_EQ(bytesOf(f.copyLog()), original) << delayMs;
    }
}

TEST(BackupRestore, AsksForATruncatedTornOrMissingLogAndRestoresOnlyOnOui) {
    const QByteArray copy = log(5);
    struct Row {
        const char *name;
        std::optional<QByteArray> log;
        const char *says;
    };
    const Row rows[] = {
        {"truncated", log(3), "il est plus court que sa copie"},
        {"torn", log(4) + copy.mid(log(4).size(), 50), "sa dernière ligne est incomplète"},
        {"missing", std::nullopt, "est introuvable"},
    };
    const QDateTime now(QDate(2026, 12, 7), QTime(15, 7));
    for (const Row &r : rows) {
        for (const bool yes : {false, true}) {
            Folders f;
            put(f.copyLog(), copy);
            if (r.log)
                put(f.logPath(), *r.log);
            else
                QFile::remove(f.logPath());
            const QStringList before = QDir(f.data.path()).entryList(QDir::Files);
            ScriptedDialogs dialogs;
            dialogs.setNextAnswer(yes);
            offerRestore(dialogs, {f.logPath()}, f.copies.path(), now);

            ASSERT_EQ(dialogs.shown().size(), 1u) << r.name;
            const QString question = dialogs.shown().front().text;
            EXPECT_TRUE(dialogs.shown().front().isQuestion);
            const QString aside =
                f.original(QStringLiteral("DFCF-21-001 endommagé 20261207_1507.txt"));
            QStringList parts{f.logName(), f.copyLog(), QStringLiteral("5 QSO"),
                              QString::fromUtf8(r.says)};
            if (r.log)
                parts << QFileInfo(aside).fileName();
            for (const QString &part : parts)
                EXPECT_TRUE(question.contains(part)) << r.name << question.toStdString();
            if (r.log) {
                const int lines = shapeOf(*r.log).wholeLines;
                EXPECT_TRUE(question.contains(QStringLiteral("%1 QSO").arg(lines))) << r.name;
            }
            if (!yes) {
                EXPECT_EQ(QDir(f.data.path()).entryList(QDir::Files), before) << r.name;
                EXPECT_EQ(bytesOf(f.logPath()), r.log.value_or("<missing>")) << r.name;
            } else {
                EXPECT_EQ(bytesOf(f.logPath()), copy) << r.name;
                EXPECT_EQ(bytesOf(aside), r.log.value_or("<missing>")) << r.name;
            }
            EXPECT_EQ(bytesOf(f.copyLog()), copy) << r.name;
        }
    }
}

TEST(BackupRestore, AHealthyLogOrNoFolderAsksNothing) {
    Folders f;
    put(f.logPath(), log(5));
    put(f.copyLog(), log(4));
    ScriptedDialogs dialogs;
    offerRestore(dialogs, {f.logPath()}, f.copies.path(), QDateTime::currentDateTime());
    offerRestore(dialogs, {f.logPath()}, QString(), QDateTime::currentDateTime());
    put(f.logPath(), log(3));
    QSet<QString> asked;
    offerRestore(dialogs, {f.logPath()}, f.copies.path(), QDateTime::currentDateTime(), &asked);
    offerRestore(dialogs, {f.logPath()}, f.copies.path(), QDateTime::currentDateTime(), &asked);
    EXPECT_EQ(dialogs.shown().size(), 1u) << "asked once for the same state";
}
