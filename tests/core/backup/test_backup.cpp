// The live copy of the data files and the restore of a damaged log from it.

#include "core/backup/BackupCopy.h"
#include "core/backup/BackupMirror.h"
#include "core/backup/BackupRestore.h"
#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

bool makeLink(const QString &target, const QString &link) {
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) ==
           0;
}

/// A bind mount of the program directory for the life of the object; empty when this machine
/// does not let the test mount.
struct BindMount {
    QString path;
    BindMount(const QString &source, const QString &at) {
        if (QDir().mkpath(at) &&
            ::mount(QFile::encodeName(source).constData(), QFile::encodeName(at).constData(),
                    nullptr, MS_BIND, nullptr) == 0)
            path = at;
    }
    ~BindMount() {
        if (!path.isEmpty())
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

} // namespace

// The backup folder resolved by the system, not as written: a link, a "..", a bind mount that
// lead back to the data are refused, and QSOs logged meanwhile all stay in the log.
TEST(BackupFolderApart, TheDataReachedByAnotherPathIsRefusedAndNoQsoIsLost) {
    struct Row {
        const char *name;
        /// The folder to set; empty when this machine cannot make it.
        std::function<QString(Folders &, std::unique_ptr<BindMount> &)> folder;
        const char *says; ///< empty: accepted
        bool appends;     ///< 2,000 QSOs are logged with it set
    };
    const Row rows[] = {
        {"another folder", [](Folders &f, auto &) { return f.copies.path(); }, "", false},
        {"a folder not there yet", [](Folders &f, auto &) { return f.copies.filePath("absent"); },
         "", false},
        {"the data themselves", [](Folders &f, auto &) { return f.data.path(); },
         "c'est le répertoire des données", false},
        {"a symbolic link to the data",
         [](Folders &f, auto &) {
             const QString link = f.copies.filePath(QStringLiteral("lien"));
             return makeLink(f.data.path(), link) ? link : QString();
         },
         "c'est le répertoire des données", true},
        {"a link into the data, then \"..\"",
         [](Folders &f, auto &) {
             QDir().mkpath(f.data.filePath(QStringLiteral("sous")));
             const QString link = f.copies.filePath(QStringLiteral("vers-sous"));
             return makeLink(f.data.filePath(QStringLiteral("sous")), link)
                        ? link + QStringLiteral("/..")
                        : QString();
         },
         "c'est le répertoire des données", true},
        {"the data's parent as data/..", [](Folders &f, auto &) { return f.data.path() + "/.."; },
         "il contient le répertoire des données", false},
        {"a folder inside the data by a link",
         [](Folders &f, auto &) {
             QDir().mkpath(f.data.filePath(QStringLiteral("sous")));
             const QString link = f.copies.filePath(QStringLiteral("dedans"));
             return makeLink(f.data.filePath(QStringLiteral("sous")), link) ? link : QString();
         },
         "il est à l'intérieur du répertoire des données", false},
        {"a bind mount of the data",
         [](Folders &f, std::unique_ptr<BindMount> &bind) {
             bind = std::make_unique<BindMount>(f.data.path(), f.copies.filePath("monte"));
             return bind->path;
         },
         "c'est le répertoire des données", true},
    };
    for (const Row &r : rows) {
        Folders f;
        std::unique_ptr<BindMount> bind; // undone before the folders go
        const QString folder = r.folder(f, bind);
        if (folder.isEmpty()) {
            std::cerr << "skipped (cannot be made here): " << r.name << '\n';
            continue;
        }
        const IoResult apart = checkFolderApart(folder, f.data.path());
        EXPECT_EQ(apart.ok, !*r.says) << r.name;
        if (*r.says) {
            EXPECT_TRUE(apart.message.contains(QString::fromUtf8(r.says))) << r.name;
            EXPECT_TRUE(apart.message.contains(folder)) << r.name;
        }
        if (!r.appends)
            continue;
        BackupMirror mirror(f.data.path());
        mirror.install();
        const IoResult set = mirror.setFolder(folder);
        EXPECT_FALSE(set) << r.name;
        EXPECT_EQ(set.message, apart.message) << r.name;
        EXPECT_EQ(mirror.state(), BackupMirror::State::Off) << r.name;
        for (int i = 1; i <= 2000; ++i)
            ASSERT_TRUE(appendTextLine(f.logPath(), qso(i))) << r.name;
        QTest::qWait(100);
        EXPECT_EQ(bytesOf(f.logPath()), log(2000)) << r.name << ": QSOs lost";
    }
}

// "Inside" is a whole folder of the path, never a name's beginning; and by device and inode a
// mount that shows the data (or their parent) elsewhere is seen through.
TEST(BackupFolderApart, NeighboursAreAcceptedAndMountsOfTheDataAreSeenThrough) {
    struct Tree {
        QTemporaryDir top, elsewhere;
        QString zep() const { return top.filePath(QStringLiteral("ZEP")); }
        QString copie() const { return top.filePath(QStringLiteral("ZEP_copie")); }
        QString mounted() const { return elsewhere.filePath(QStringLiteral("monte")); }
    };
    struct Row {
        const char *name;
        /// The folder to set; empty when this machine does not let the test mount.
        std::function<QString(Tree &, std::unique_ptr<BindMount> &)> folder;
        bool dataIsCopie; ///< the data in "ZEP_copie" and the folder in "ZEP"
        const char *says; ///< empty: accepted
    };
    const Row rows[] = {
        {"a folder beside the data, named after them", [](Tree &t, auto &) { return t.copie(); },
         false, ""},
        {"the data beside the folder, named after it", [](Tree &t, auto &) { return t.zep(); },
         true, ""},
        {"a bind mount of the data's parent",
         [](Tree &t, std::unique_ptr<BindMount> &bind) {
             bind = std::make_unique<BindMount>(t.top.path(), t.mounted());
             return bind->path;
         },
         false, "il contient le répertoire des données"},
        {"a folder inside a bind mount of the data",
         [](Tree &t, std::unique_ptr<BindMount> &bind) {
             QDir().mkpath(t.zep() + QStringLiteral("/sous"));
             bind = std::make_unique<BindMount>(t.zep(), t.mounted());
             return bind->path.isEmpty() ? QString() : bind->path + QStringLiteral("/sous");
         },
         false, "il est à l'intérieur du répertoire des données"},
        {"the neighbour folder through a bind mount of the parent",
         [](Tree &t, std::unique_ptr<BindMount> &bind) {
             bind = std::make_unique<BindMount>(t.top.path(), t.mounted());
             return bind->path.isEmpty() ? QString() : bind->path + QStringLiteral("/ZEP_copie");
         },
         false, ""},
    };
    for (const Row &r : rows) {
        Tree t;
        ASSERT_TRUE(QDir().mkpath(t.zep()) && QDir().mkpath(t.copie()));
        std::unique_ptr<BindMount> bind; // undone before the folders go
        const QString folder = r.folder(t, bind);
        if (folder.isEmpty()) {
            std::cerr << "skipped (this machine refuses the test a bind mount): " << r.name << '\n';
            continue;
        }
        const IoResult apart = checkFolderApart(folder, r.dataIsCopie ? t.copie() : t.zep());
        EXPECT_EQ(apart.ok, !*r.says) << r.name << ": " << apart.message.toStdString();
        EXPECT_TRUE(apart.message.contains(QString::fromUtf8(r.says))) << r.name;
    }
}

// A folder that was fine when set and is swapped afterwards for a link to the data (another
// medium mounted there, a hand-made link) takes no copy either: the live copy notices it.
TEST(BackupFolderApart, AFolderSwappedForALinkToTheDataIsRefusedWhileLogging) {
    Folders f;
    const QString folder = f.copies.filePath(QStringLiteral("cle"));
    ASSERT_TRUE(QDir().mkpath(folder));
    BackupMirror mirror(f.data.path());
    mirror.setRetryInterval(50);
    mirror.install();
    QSignalSpy warnings(&mirror, &BackupMirror::warning);
    ASSERT_TRUE(mirror.setFolder(folder));
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate));
    ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral("-retiree")));
    ASSERT_TRUE(makeLink(f.data.path(), folder));

    for (int i = 1; i <= 2000; ++i)
        ASSERT_TRUE(appendTextLine(f.logPath(), qso(i)));
    ASSERT_TRUE(waitFor(mirror, BackupMirror::State::Absent));
    QTest::qWait(200);
    EXPECT_EQ(bytesOf(f.logPath()), log(2000)) << "QSOs lost";
    ASSERT_EQ(warnings.count(), 1);
    EXPECT_TRUE(warnings.at(0).at(0).toString().contains(QStringLiteral("est refusé")));
}

// Only a regular file of the backup folder ever takes a copy. Anything else in a copy's place
// is left as it is with one warning while the other files are copied; the copy never waits on
// a pipe, and the scratch name of the copy is the program's own whatever stands there.
TEST(BackupCopyPlaces, OnlyRegularFilesTakeACopyAndNothingBlocks) {
    enum class Place { CopyOfTheLog, Scratch };
    struct Row {
        const char *name;
        Place place;
        std::function<bool(const QString &at, const QString &victim, const Folders &)> make;
    };
    const auto fifo = [](const QString &at, const QString &, const Folders &) {
        return ::mkfifo(QFile::encodeName(at).constData(), 0644) == 0;
    };
    const auto linkToVictim = [](const QString &at, const QString &victim, const Folders &) {
        return makeLink(victim, at);
    };
    const Row rows[] = {
        {"a link to a file elsewhere", Place::CopyOfTheLog, linkToVictim},
        {"a link to the live log", Place::CopyOfTheLog,
         [](const QString &at, const QString &, const Folders &f) {
             return makeLink(f.logPath(), at);
         }},
        {"a pipe", Place::CopyOfTheLog, fifo},
        {"a folder", Place::CopyOfTheLog,
         [](const QString &at, const QString &, const Folders &) { return QDir().mkpath(at); }},
        {"a pipe as the scratch file", Place::Scratch, fifo},
        {"a link as the scratch file", Place::Scratch, linkToVictim},
    };
    for (const Row &r : rows) {
        Folders f;
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath(QStringLiteral("victime.txt"));
        put(victim, "ne pas toucher");
        const QString at = r.place == Place::Scratch ? f.copy(copyScratchName) : f.copyLog();
        ASSERT_TRUE(r.make(at, victim, f)) << r.name;
        const QFileInfo before(at);

        QElapsedTimer clock;
        clock.start();
        {
            BackupMirror mirror(f.data.path());
            mirror.setRetryInterval(50);
            mirror.install();
            QSignalSpy warnings(&mirror, &BackupMirror::warning);
            mirror.setFolder(f.copies.path());
            for (int i = 1; i <= 50; ++i)
                ASSERT_TRUE(appendTextLine(f.logPath(), qso(i))) << r.name;
            const bool skipped = r.place == Place::CopyOfTheLog;
            ASSERT_TRUE(waitFor(
                mirror, skipped ? BackupMirror::State::Absent : BackupMirror::State::UpToDate,
                5000))
                << r.name;
            QTest::qWait(200);
            EXPECT_EQ(bytesOf(f.logPath()), log(50)) << r.name;
            EXPECT_EQ(bytesOf(f.copy(QStringLiteral("Liste_Activite.txt"))),
                      bytesOf(f.original(QStringLiteral("Liste_Activite.txt"))))
                << r.name << ": the other files are copied";
            EXPECT_EQ(warnings.count(), skipped ? 1 : 0) << r.name;
            if (skipped) {
                ASSERT_GE(warnings.count(), 1) << r.name;
                const QString text = warnings.at(0).at(0).toString();
                EXPECT_TRUE(text.contains(f.logName())) << r.name << text.toStdString();
                EXPECT_TRUE(text.contains(QStringLiteral("n'est pas un fichier ordinaire")))
                    << r.name;
                const QFileInfo after(at);
                EXPECT_EQ(after.isSymLink(), before.isSymLink()) << r.name;
                EXPECT_EQ(after.isDir(), before.isDir()) << r.name;
            } else {
                EXPECT_EQ(bytesOf(f.copyLog()), log(50)) << r.name;
            }
        }
        EXPECT_LT(clock.elapsed(), 8000) << r.name << ": the copy waited";
        EXPECT_EQ(bytesOf(victim), "ne pas toucher") << r.name;
    }
}

// A log whose last line a crash cut while its copy kept it whole: whether the restore was
// declined or never asked (offscreen), the copy is held at the catch-up, and once the program
// writes to the log the copy that follows it is first kept aside with the QSO only it holds.
TEST(BackupTornLog, TheGoodCopyOfATornLogSurvivesADeclinedOrUnaskedRestore) {
    const QByteArray five = log(5);
    struct Row {
        const char *name;
        QByteArray log;
        bool asked;
    };
    const Row rows[] = {
        {"last line cut, restore declined", log(4) + five.mid(log(4).size(), 40), true},
        {"last line cut, not asked", log(4) + five.mid(log(4).size(), 40), false},
        {"no line end, restore declined", five.chopped(2), true},
        {"torn log longer than its copy", log(4) + QByteArray(150, 'Z'), false},
    };
    const QString aside = QStringLiteral("DFCF-21-001 copie gardée.txt");
    for (const Row &r : rows) {
        Folders f;
        put(f.logPath(), r.log);
        put(f.copyLog(), five);
        if (r.asked) {
            ScriptedDialogs dialogs;
            dialogs.setNextAnswer(false);
            offerRestore(dialogs, {f.logPath()}, f.copies.path(), QDateTime::currentDateTime());
            ASSERT_EQ(dialogs.shown().size(), 1u) << r.name;
        }
        {
            BackupMirror mirror(f.data.path());
            mirror.install();
            mirror.setFolder(f.copies.path());
            ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate)) << r.name;
            EXPECT_EQ(bytesOf(f.copyLog()), five) << r.name << ": held";

            ASSERT_TRUE(appendTextLine(f.logPath(), qso(6)));
            ASSERT_TRUE(appendTextLine(f.logPath(), qso(7)));
            ASSERT_TRUE(waitFor(mirror, BackupMirror::State::UpToDate)) << r.name;
            EXPECT_EQ(bytesOf(f.copyLog()), bytesOf(f.logPath())) << r.name;
            EXPECT_EQ(bytesOf(f.copy(aside)), five) << r.name << ": the whole QSO is lost";
        }
        // The next start finds the copy following the log and keeps nothing more aside.
        BackupMirror next(f.data.path());
        next.setFolder(f.copies.path());
        ASSERT_TRUE(waitFor(next, BackupMirror::State::UpToDate)) << r.name;
        EXPECT_FALSE(QFile::exists(f.copy(QStringLiteral("DFCF-21-001 copie gardée (2).txt"))))
            << r.name;
    }
}

// A current reference read from settings edited by hand names no file outside the program
// directory, nor does it open a restore there.
TEST(BackupRestore, AReferenceThatLeavesTheProgramDirectoryNamesNoLog) {
    Folders f;
    put(f.copy(QStringLiteral("victime.txt")), log(5));
    const QString outside = QDir(f.data.path()).absoluteFilePath(QStringLiteral("../victime.txt"));
    QFile::remove(outside);
    for (const char *number : {"../victime", "..\\victime", "/tmp/victime", "A..B", "F4\nABC"}) {
        CurrentActivation activation;
        activation.reference = QString::fromUtf8(number);
        activation.secondReference = activation.reference;
        activation.isDouble = true;
        EXPECT_TRUE(activationLogPaths(f.data.path(), activation).isEmpty()) << number;
        ScriptedDialogs dialogs;
        offerRestore(dialogs, activationLogPaths(f.data.path(), activation), f.copies.path(),
                     QDateTime::currentDateTime());
        EXPECT_TRUE(dialogs.shown().empty()) << number;
    }
    EXPECT_FALSE(QFile::exists(outside));
    CurrentActivation usual;
    usual.reference = QStringLiteral("DFCF 76054");
    EXPECT_EQ(activationLogPaths(f.data.path(), usual),
              QStringList{activityLogPath(f.data.path(), QStringLiteral("DFCF 76054"))});
}
