// A program directory that cannot be written is said before any window opens, with the reason
// in French, and the check leaves nothing behind. The data kept in the earlier folder of a
// program started from its source tree are offered a move into the per-user data directory,
// and a move cut short by a failing disk loses nothing and writes over nothing.

#include "core/io/Dialogs.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/SysCalls.h"
#include "support/QStringPrint.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

using namespace zep;

namespace {

/// One kind of system call fails with one error, as a medium in that state would make it.
class Refusing : public sys::Calls {
public:
    Refusing(const char *call, int error) : call_(call), error_(error) {}
    int open(const char *path, int flags, mode_t mode) override {
        return refuse("open") ? -1 : sys::Calls::open(path, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override {
        return refuse("write") ? -1 : sys::Calls::write(fd, data, size);
    }
    int fsync(int fd) override { return refuse("fsync") ? -1 : sys::Calls::fsync(fd); }

private:
    bool refuse(const char *call) {
        if (std::strcmp(call, call_) != 0)
            return false;
        errno = error_;
        return true;
    }
    const char *call_;
    int error_;
};

} // namespace

TEST(ProgramDirectoryCheck, EveryWayAMediumRefusesIsSaidInFrenchAndLeavesNothing) {
    struct Case {
        const char *call;
        int error;
        const char *reason; ///< nullptr: the directory can be written
    };
    const Case cases[] = {
        {"none", 0, nullptr},
        {"open", EROFS, "le support est en lecture seule"},
        {"open", EACCES, "accès refusé"},
        {"open", ENOENT, "fichier ou dossier introuvable"}, // the stick was pulled out
        {"write", ENOSPC, "le disque est plein"},
        {"fsync", EIO, "erreur d'entrée-sortie du disque"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.error));
        Refusing calls(c.call, c.error);
        sys::ScopedCalls seam(calls);
        const IoResult result = checkWritable(dir.path());
        EXPECT_EQ(result.ok, c.reason == nullptr) << result.message.toStdString();
        if (c.reason) {
            EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.reason)))
                << result.message.toStdString();
            EXPECT_TRUE(result.message.contains(dir.path()));
        }
        EXPECT_TRUE(QDir(dir.path())
                        .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                        .isEmpty());
    }
}

namespace {

using Files = QMap<QString, QByteArray>;

const QByteArray carriedTable = "F;France;F;EU\r\n";
const Files earlierData = {{QStringLiteral("Continents_DXCC.csv"), "F;France (mine);F;EU\r\n"},
                           {QStringLiteral("F1ABC.txt"), "F1ABC   14/05/24 ...\r\n"},
                           {QStringLiteral("Liste_Activite.txt"), "DFCF 76054\r\n"}};

void put(const QString &dir, const Files &files) {
    ASSERT_TRUE(QDir().mkpath(dir));
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile f(QDir(dir).filePath(it.key()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(it.value());
    }
}

Files filesOf(const QString &dir) {
    Files files;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(QDir(dir).filePath(name));
        files.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

/// The Nth call of one kind fails once with one error.
class FailingOnce : public sys::Calls {
public:
    FailingOnce(const char *call, int nth, int error) : call_(call), left_(nth), error_(error) {}
    ssize_t write(int fd, const void *data, size_t size) override {
        return fail("write") ? -1 : sys::Calls::write(fd, data, size);
    }
    int fsync(int fd) override { return fail("fsync") ? -1 : sys::Calls::fsync(fd); }
    int rename(const char *from, const char *to) override {
        return fail("rename") ? -1 : sys::Calls::rename(from, to);
    }
    int unlink(const char *path) override { return fail("unlink") ? -1 : sys::Calls::unlink(path); }

private:
    bool fail(const char *call) {
        if (std::strcmp(call, call_) != 0 || --left_ != 0)
            return false;
        errno = error_;
        return true;
    }
    const char *call_;
    int left_;
    int error_;
};

} // namespace

TEST(EarlierDataFolder, TheMoveIsOfferedOnlyWhenTheEarlierFolderAloneHoldsData) {
    Files startedOnce = {{QStringLiteral("Continents_DXCC.csv"), carriedTable},
                         {QStringLiteral("Liste_Activite.txt"), ""}};
    Files cutShort = {{QStringLiteral("Liste_Activite.txt"), "DFCF 76054\r\n"}};
    struct Case {
        const char *what;
        Files earlier, user;
        bool answer;
        bool asked;
        bool workInEarlier;
        Files userAfter, earlierAfter;
    };
    const Case cases[] = {
        {"first start, moved", earlierData, {}, true, true, false, earlierData, {}},
        {"first start, kept", earlierData, {}, false, true, true, {}, earlierData},
        {"installed program started once",
         earlierData,
         startedOnce,
         true,
         true,
         false,
         earlierData,
         {}},
        {"a move cut short is taken up", earlierData, cutShort, true, true, false, earlierData, {}},
        {"the user directory has a log of its own",
         earlierData,
         {{QStringLiteral("F5XYZ.txt"), "F5XYZ\r\n"}},
         true,
         false,
         false,
         {{QStringLiteral("F5XYZ.txt"), "F5XYZ\r\n"}},
         earlierData},
        {"another activation list",
         earlierData,
         {{QStringLiteral("Liste_Activite.txt"), "DFCF 27001\r\n"}},
         true,
         false,
         false,
         {{QStringLiteral("Liste_Activite.txt"), "DFCF 27001\r\n"}},
         earlierData},
        {"the earlier folder holds nothing", startedOnce, {}, true, false, false, {}, startedOnce},
        {"no earlier folder", {}, {}, true, false, false, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString earlier = earlierDataDirectory(home.path());
        const QString user = home.filePath(QStringLiteral("share/Riduzazur/ZEP_Rozadovev"));
        if (!c.earlier.isEmpty())
            put(earlier, c.earlier);
        if (!c.user.isEmpty())
            put(user, c.user);
        ScriptedDialogs dialogs;
        dialogs.setNextAnswer(c.answer);

        EXPECT_EQ(offerDataMove(dialogs, user, earlier, carriedTable),
                  c.workInEarlier ? earlier : user);
        ASSERT_EQ(dialogs.shown().size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_TRUE(dialogs.shown().front().isQuestion);
            EXPECT_TRUE(dialogs.last().contains(QStringLiteral("Déplacer les fichiers de \"%1\" "
                                                               "dans \"%2\" ?")
                                                    .arg(earlier, user)))
                << dialogs.last().toStdString();
        }
        EXPECT_EQ(filesOf(user), c.userAfter);
        EXPECT_EQ(filesOf(earlier), c.earlierAfter);
    }
}

TEST(EarlierDataFolder, AFailingDiskLosesNothingAndWritesOverNothing) {
    const Files startedOnce = {{QStringLiteral("Continents_DXCC.csv"), carriedTable},
                               {QStringLiteral("Liste_Activite.txt"), ""}};
    struct Case {
        const char *call;
        int nth;
        int error;
        const char *reason;
        bool copied; ///< every copy was made before the failure
    };
    const Case cases[] = {
        {"write", 2, ENOSPC, "le disque est plein", false},
        {"fsync", 1, EIO, "erreur d'entrée-sortie du disque", false},
        {"rename", 3, EROFS, "le support est en lecture seule", false},
        {"unlink", 1, EACCES, "accès refusé", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.nth));
        QTemporaryDir home;
        const QString earlier = earlierDataDirectory(home.path());
        const QString user = home.filePath(QStringLiteral("user"));
        put(earlier, earlierData);
        put(user, startedOnce);
        ScriptedDialogs dialogs;
        {
            FailingOnce calls(c.call, c.nth, c.error);
            sys::ScopedCalls seam(calls);
            EXPECT_EQ(offerDataMove(dialogs, user, earlier, carriedTable),
                      c.copied ? user : earlier);
        }
        EXPECT_EQ(filesOf(earlier), earlierData);
        EXPECT_EQ(filesOf(user), c.copied ? earlierData : startedOnce);
        ASSERT_EQ(dialogs.shown().size(), 2u);
        EXPECT_TRUE(dialogs.last().contains(QString::fromUtf8(c.reason)))
            << dialogs.last().toStdString();
        EXPECT_EQ(dialogs.last().contains(QStringLiteral("travaille cette fois")), !c.copied);
    }

    // A file of the operator's that appeared in the way is never written over.
    QTemporaryDir home;
    const QString earlier = earlierDataDirectory(home.path());
    const QString user = home.filePath(QStringLiteral("user"));
    put(earlier, earlierData);
    const Files own = {{QStringLiteral("F1ABC.txt"), "F1ABC (autre)\r\n"}};
    put(user, own);
    const DataMoveResult moved = moveDataFiles(earlier, user, carriedTable);
    EXPECT_FALSE(moved.status.ok);
    EXPECT_TRUE(moved.status.message.contains(QStringLiteral("\"F1ABC.txt\" existe déjà")));
    EXPECT_EQ(filesOf(user), own);
    EXPECT_EQ(filesOf(earlier), earlierData);
}

namespace {

/// The real calls, but the `nth` opening for reading of one file fails, and, when asked, so
/// does every rename onto another file (a copy that fails later in the move).
class UnreadableOnce : public sys::Calls {
public:
    UnreadableOnce(QString file, int nth, QString renameRefusedOnto = {})
        : file_(std::move(file)), nth_(nth), onto_(std::move(renameRefusedOnto)) {}
    int reads = 0;
    int open(const char *path, int flags, mode_t mode) override {
        if ((flags & O_ACCMODE) == O_RDONLY && !(flags & O_DIRECTORY) &&
            QFile::decodeName(path) == file_ && ++reads == nth_) {
            errno = EIO;
            return -1;
        }
        return sys::Calls::open(path, flags, mode);
    }
    int rename(const char *from, const char *to) override {
        if (!onto_.isEmpty() && QFile::decodeName(to).endsWith(onto_)) {
            errno = ENOSPC;
            return -1;
        }
        return sys::Calls::rename(from, to);
    }

private:
    QString file_;
    int nth_;
    QString onto_;
};

} // namespace

TEST(EarlierDataFolder, AFileToBeReplacedThatCannotBeReadStopsTheMoveWithNothingTouched) {
    // The user directory holds the carried prefix table: the move may replace it, and keeps
    // its bytes to put them back should a later copy fail. Unread, those bytes would be empty.
    const Files startedOnce = {{QStringLiteral("Continents_DXCC.csv"), carriedTable},
                               {QStringLiteral("Liste_Activite.txt"), ""}};
    const struct {
        const char *what;
        QString laterCopyRefused;
    } cases[] = {
        {"the read alone fails", {}},
        {"the read fails and a later copy too", QStringLiteral("/Liste_Activite.txt")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString earlier = earlierDataDirectory(home.path());
        const QString user = home.filePath(QStringLiteral("user"));
        const QString table = QDir(user).filePath(QStringLiteral("Continents_DXCC.csv"));
        // The last read of the table before the copies is the one kept for the undo.
        int reads = 0;
        {
            put(earlier, earlierData);
            put(user, startedOnce);
            UnreadableOnce counting(table, 0);
            sys::ScopedCalls seam(counting);
            (void)moveDataFiles(earlier, user, carriedTable);
            reads = counting.reads;
            QDir(earlier).removeRecursively();
            QDir(user).removeRecursively();
        }
        ASSERT_GE(reads, 2);
        put(earlier, earlierData);
        put(user, startedOnce);
        DataMoveResult moved;
        {
            UnreadableOnce failing(table, reads, c.laterCopyRefused);
            sys::ScopedCalls seam(failing);
            moved = moveDataFiles(earlier, user, carriedTable);
        }
        EXPECT_FALSE(moved.status.ok);
        EXPECT_FALSE(moved.filesInPlace);
        EXPECT_EQ(moved.status.message,
                  QStringLiteral("Les fichiers de \"%1\" n'ont pas été déplacés : aucun fichier "
                                 "n'a été modifié.\nImpossible de lire le fichier "
                                 "\"Continents_DXCC.csv\" : erreur d'entrée-sortie du disque.")
                      .arg(earlier));
        EXPECT_EQ(filesOf(earlier), earlierData);
        EXPECT_EQ(filesOf(user), startedOnce);
    }
}
