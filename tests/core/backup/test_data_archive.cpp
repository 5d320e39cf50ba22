#include "core/backup/DataArchive.h"

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>

#include <zip.h>

#include <cerrno>

#include "support/TestFiles.h"

using namespace zep;
using namespace zep::archive;
using zep::testfiles::bytesOf;
using zep::testfiles::put;

namespace {

/// A program directory as an operator leaves it: logs in the code page with CR LF, names with
/// accents and blanks, a folder, and the files of a write in progress that no archive keeps.
const QMap<QString, QByteArray> operatorFiles = {
    {QStringLiteral("DFCF 76054.txt"), QByteArray("1   F6ABC  76 Fr\xE9"
                                                  "d\xE9ric 59 59 20/05/2024 10:02\r\n")},
    {QStringLiteral("Liste_Prenom.txt"), QByteArray("F6ABC      76 Fr\xE9"
                                                    "d\xE9ric\r\n")},
    {QStringLiteral("Liste_Activite.txt"), QByteArray("DFCF 76054;Forêt\r\n")},
    {QStringLiteral("Journal d'été.txt"), QByteArray("\x80 \x9C\r\n")},
    {QStringLiteral("Listes/Opérateurs 1.txt"), QByteArray("F6ABC\r\n")},
};

struct Program {
    QTemporaryDir home;
    Layout layout;
    Program() {
        layout.programDir = home.filePath(QStringLiteral("données"));
        layout.settingsFile = home.filePath(QStringLiteral("config/Riduzazur.ini"));
        QDir().mkpath(layout.programDir + QStringLiteral("/Listes"));
        QDir().mkpath(home.filePath(QStringLiteral("config")));
        for (auto it = operatorFiles.begin(); it != operatorFiles.end(); ++it)
            put(layout.pathOf(it.key()), it.value());
        put(layout.settingsFile, "[Setup%20]\r\nIndicatif=F6ABC\r\n");
        put(layout.pathOf(QStringLiteral(".zep-rozadovev.lock")), "1234\n");
        put(layout.pathOf(QStringLiteral("Temporaire.txt")), "half");
    }
    QString settingsMember() const { return layout.settingsMember(); }
};

/// Every file under `dir` with its bytes.
QMap<QString, QByteArray> snapshot(const QString &dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(dir).relativeFilePath(path), bytesOf(path));
    }
    return files;
}

/// A zip made by hand, for the archives the program must refuse.
QByteArray handMadeZip(const QList<std::pair<QByteArray, QByteArray>> &members,
                       zip_int32_t method = ZIP_CM_STORE) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto &[name, bytes] : members) {
        zip_source_t *s = zip_source_buffer(zip, bytes.constData(), bytes.size(), 0);
        const zip_int64_t i = zip_file_add(zip, name.constData(), s, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(zip, zip_uint64_t(i), method, 0);
    }
    zip_close(zip);
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    QByteArray out(qsizetype(zip_source_tell(buffer)), '\0');
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, out.data(), zip_uint64_t(out.size()));
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

/// Fails the calls of one kind with `error` (the medium full, the rename refused...) after
/// `skip` good ones: for good, or only once.
class FailingCalls : public sys::Calls {
public:
    FailingCalls(QString what, int error, int skip = 0, bool once = false)
        : what_(std::move(what)), error_(error), skip_(skip), once_(once) {}
    ssize_t write(int fd, const void *data, size_t size) override {
        return fails("write") ? -1 : sys::Calls::write(fd, data, size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : sys::Calls::fsync(fd); }
    int rename(const char *from, const char *to) override {
        return fails("rename") ? -1 : sys::Calls::rename(from, to);
    }
    /// Only the openings of a file for reading alone: the reads, and the setting of a date.
    int open(const char *path, int flags, mode_t mode) override {
        const bool readOnly = (flags & O_ACCMODE) == O_RDONLY && !(flags & O_DIRECTORY);
        return readOnly && fails("open") ? -1 : sys::Calls::open(path, flags, mode);
    }
    /// The calls of the kind made so far.
    int seen() const { return seen_; }

private:
    bool fails(const char *call) {
        if (what_ != QLatin1String(call))
            return false;
        const int n = seen_++;
        if (n < skip_ || (once_ && n > skip_))
            return false;
        errno = error_;
        return true;
    }
    QString what_;
    int error_;
    int skip_;
    bool once_;
    int seen_ = 0;
};

/// `count` one-byte members, named so that none is a working file.
QByteArray manyMembers(int count) {
    QList<std::pair<QByteArray, QByteArray>> members;
    members.reserve(count);
    for (int i = 0; i < count; ++i)
        members.append({QByteArray("Listes/") + QByteArray::number(i) + ".txt", "x"});
    return handMadeZip(members);
}

} // namespace

TEST(DataArchive, ArchivesEveryFileWithItsBytesNameAndTimeThenRestoresAChangedDirectory) {
    Program p;
    const QString target = p.home.filePath(QStringLiteral("Sauvegardes/ZEP_Rozadovev 1.zip"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QMap<QString, QByteArray> before = snapshot(p.layout.programDir);
    const Written written = writeArchive(p.layout, target);
    ASSERT_TRUE(written.status.ok) << written.status.message.toStdString();
    EXPECT_EQ(written.fileCount, operatorFiles.size() + 1);
    EXPECT_EQ(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(target).fileName()});

    // Another program checks the archive and finds the names the operator gave.
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-t"), target});
    ASSERT_TRUE(unzip.waitForFinished());
    EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAll().toStdString();

    // The names are flagged UTF-8: a reader that goes by the flag alone reads them right.
    int error = 0;
    zip_t *raw = zip_open(QFile::encodeName(target).constData(), ZIP_RDONLY, &error);
    ASSERT_NE(raw, nullptr);
    QStringList strictNames;
    for (zip_int64_t i = 0; i < zip_get_num_entries(raw, 0); ++i)
        strictNames.append(
            QString::fromUtf8(zip_get_name(raw, zip_uint64_t(i), ZIP_FL_ENC_STRICT)));
    zip_discard(raw);
    QStringList expectedNames = operatorFiles.keys();
    expectedNames.append(p.settingsMember());
    strictNames.sort();
    expectedNames.sort();
    EXPECT_EQ(strictNames, expectedNames);

    // Another program gives back the bytes of every file.
    for (const QString &name : expectedNames) {
        QProcess extract;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        extract.setProcessEnvironment(env);
        extract.start(QStringLiteral("unzip"), {QStringLiteral("-p"), target, name});
        ASSERT_TRUE(extract.waitForFinished());
        EXPECT_EQ(extract.readAllStandardOutput(), bytesOf(p.layout.pathOf(name)))
            << name.toStdString();
    }

    const Contents contents = readArchive(target);
    ASSERT_TRUE(contents.status.ok) << contents.status.message.toStdString();
    for (const Member &m : contents.members) {
        EXPECT_EQ(m.bytes, bytesOf(p.layout.pathOf(m.name))) << m.name.toStdString();
        const QDateTime onDisk = QFileInfo(p.layout.pathOf(m.name)).lastModified();
        EXPECT_LE(qAbs(m.modified.secsTo(onDisk)), 2) << m.name.toStdString();
    }

    // The operator goes on: a log changed, the memory lost, a new file, the settings changed.
    const QString log = p.layout.pathOf(QStringLiteral("DFCF 76054.txt"));
    put(log, "changed\r\n");
    QFile::remove(p.layout.pathOf(QStringLiteral("Liste_Prenom.txt")));
    put(p.layout.pathOf(QStringLiteral("Nouveau.txt")), "new\r\n");
    put(p.layout.settingsFile, "[Setup%20]\r\nIndicatif=F5XYZ\r\n");

    QMap<QString, Status> statuses;
    for (const Row &row : compare(contents, p.layout))
        statuses.insert(row.name, row.status);
    const QMap<QString, Status> expected = {
        {QStringLiteral("DFCF 76054.txt"), Status::Different},
        {QStringLiteral("Liste_Prenom.txt"), Status::NotOnDisk},
        {QStringLiteral("Liste_Activite.txt"), Status::Same},
        {QStringLiteral("Journal d'été.txt"), Status::Same},
        {QStringLiteral("Listes/Opérateurs 1.txt"), Status::Same},
        {QStringLiteral("Nouveau.txt"), Status::OnlyOnDisk},
        {p.settingsMember(), Status::Different},
    };
    EXPECT_EQ(statuses, expected);

    const QDateTime now(QDate(2024, 5, 20), QTime(14, 32));
    const Restored restored = restore(contents, p.layout, now);
    ASSERT_TRUE(restored.status.ok) << restored.status.message.toStdString();
    EXPECT_EQ(restored.written, 3);
    EXPECT_EQ(restored.keptAside, 2);
    EXPECT_EQ(QFileInfo(restored.keptFolder).fileName(),
              QStringLiteral("Avant restauration 20240520_1432"));
    for (const Member &m : contents.members)
        EXPECT_EQ(bytesOf(p.layout.pathOf(m.name)), m.bytes) << m.name.toStdString();
    EXPECT_EQ(bytesOf(p.layout.pathOf(QStringLiteral("Nouveau.txt"))), "new\r\n");
    EXPECT_EQ(bytesOf(restored.keptFolder + QStringLiteral("/DFCF 76054.txt")), "changed\r\n");
    EXPECT_EQ(bytesOf(restored.keptFolder + QLatin1Char('/') + p.settingsMember()),
              "[Setup%20]\r\nIndicatif=F5XYZ\r\n");
    QMap<QString, QByteArray> after = snapshot(p.layout.programDir);
    after.remove(QStringLiteral("Nouveau.txt"));
    for (const QString &name : after.keys())
        if (name.startsWith(keptAsidePrefix))
            after.remove(name);
    EXPECT_EQ(after, before);

    // A restored directory archives as before: the kept folder is not taken in, and a second
    // restore finds nothing to write.
    for (const Row &row : compare(contents, p.layout))
        EXPECT_TRUE(row.status == Status::Same || row.name == QStringLiteral("Nouveau.txt"))
            << row.name.toStdString();
    const Restored again = restore(contents, p.layout, now);
    EXPECT_EQ(again.written, 0);
    EXPECT_TRUE(again.keptFolder.isEmpty());
}

TEST(DataArchive, RefusesArchivesThatAreNotZipsDamagedOrLeaveTheDirectory) {
    const QByteArray good = handMadeZip({{"DFCF 76054.txt", "1   F6ABC  76 contenu du log\r\n"}});
    QByteArray badCrc = good;
    badCrc[badCrc.indexOf("contenu")] = 'K';
    // libzip will not name a file twice: the second name is changed in the bytes, in its local
    // header and in the directory alike.
    QByteArray twice =
        handMadeZip({{"DFCF 76054.txt", "contenu A\r\n"}, {"DFCF 76099.txt", "contenu B\r\n"}});
    twice.replace("DFCF 76099.txt", "DFCF 76054.txt");
    // Said before any file is read: a damaged file does not hide it.
    QByteArray twiceDamaged = twice;
    twiceDamaged[twiceDamaged.indexOf("contenu B")] = 'K';
    // Zeros deflate to almost nothing: 9 files of 32 Mo make 288 Mo from a small archive.
    const QByteArray zeros(32 * 1024 * 1024, '\0');
    QList<std::pair<QByteArray, QByteArray>> bomb;
    for (int i = 0; i < 9; ++i)
        bomb.append({"zero" + QByteArray::number(i) + ".txt", zeros});
    const QByteArray zipBomb = handMadeZip(bomb, ZIP_CM_DEFLATE);
    ASSERT_LT(zipBomb.size(), 2 * 1024 * 1024);
    // libzip will not write an escape in a name: it is put in the bytes.
    QByteArray escaped = handMadeZip({{"Listes____/a.txt", "a"}});
    escaped.replace("____", "\x1B[2J");
    const struct {
        const char *what;
        QByteArray bytes;
        QString why;
    } cases[] = {
        {"text file", "1   F6ABC  76\r\n", QStringLiteral("pas une archive zip")},
        {"cut short", good.left(good.size() / 2), QStringLiteral("pas une archive zip")},
        {"bad CRC", badCrc, QStringLiteral("CRC")},
        {"parent folder", handMadeZip({{"ok.txt", "a"}, {"../evil", "b"}}),
         QStringLiteral("« ../evil » sortirait")},
        {"absolute", handMadeZip({{"/abs", "b"}}), QStringLiteral("« /abs » sortirait")},
        {"deeper parent", handMadeZip({{"Listes/../../evil", "b"}}), QStringLiteral("sortirait")},
        {"drive letter", handMadeZip({{"C:/evil", "b"}}), QStringLiteral("sortirait")},
        {"backslashes", handMadeZip({{"..\\evil", "b"}}), QStringLiteral("sortirait")},
        {"name twice", twice, QStringLiteral("« DFCF 76054.txt » y figure deux fois")},
        {"name twice, a file damaged", twiceDamaged, QStringLiteral("y figure deux fois")},
        {"line end in a name", handMadeZip({{"DFCF\n76054.txt", "a"}}),
         QStringLiteral("« DFCF?76054.txt » contient un caractère de contrôle")},
        {"escape in a folder name", escaped, QStringLiteral("caractère de contrôle")},
        {"C1 control", handMadeZip({{"a\xC2\x85.txt", "a"}}),
         QStringLiteral("caractère de contrôle")},
        {"too many files", manyMembers(int(mostMembers) + 1),
         QStringLiteral("elle contient 20001 fichiers, plus que les 20000")},
        {"too large once decompressed", zipBomb, QStringLiteral("dépasseraient 256 Mo")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        const QString zipPath = p.home.filePath(QStringLiteral("a.zip"));
        put(zipPath, c.bytes);
        const QMap<QString, QByteArray> home = snapshot(p.home.path());
        const Contents contents = readArchive(zipPath);
        EXPECT_FALSE(contents.status.ok);
        EXPECT_TRUE(contents.members.isEmpty());
        EXPECT_TRUE(contents.status.message.contains(c.why))
            << contents.status.message.toStdString();
        EXPECT_TRUE(contents.status.message.contains(QStringLiteral("Rien n'a été modifié")));
        // A refused archive gives nothing to restore: the disk is as it was.
        EXPECT_EQ(restore(contents, p.layout, QDateTime::currentDateTime()).written, 0);
        EXPECT_EQ(snapshot(p.home.path()), home);
    }
    // The archive that was damaged above is good before the damage, and an archive of as many
    // files as allowed is read.
    QTemporaryDir dir;
    put(dir.filePath(QStringLiteral("good.zip")), good);
    EXPECT_TRUE(readArchive(dir.filePath(QStringLiteral("good.zip"))).status.ok);
    put(dir.filePath(QStringLiteral("full.zip")), manyMembers(int(mostMembers)));
    const Contents full = readArchive(dir.filePath(QStringLiteral("full.zip")));
    EXPECT_TRUE(full.status.ok) << full.status.message.toStdString();
    EXPECT_EQ(full.members.size(), mostMembers);
}

TEST(DataArchive, AFailedWriteLeavesNeitherArchiveNorScratchAndKeepsAnEarlierOne) {
    const struct {
        const char *call;
        int error;
        QString reason;
    } cases[] = {
        {"write", ENOSPC, QStringLiteral("le disque est plein")},
        {"fsync", EIO, QStringLiteral("erreur d'entrée-sortie")},
        {"rename", EROFS, QStringLiteral("lecture seule")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.call);
        Program p;
        const QString folder = p.home.filePath(QStringLiteral("clé"));
        QDir().mkpath(folder);
        const QString fresh = folder + QStringLiteral("/neuve.zip");
        const QString earlier = folder + QStringLiteral("/ancienne.zip");
        put(earlier, "earlier archive");
        FailingCalls failing(QString::fromLatin1(c.call), c.error);
        sys::ScopedCalls seam(failing);
        for (const QString &target : {fresh, earlier}) {
            const Written written = writeArchive(p.layout, target);
            EXPECT_FALSE(written.status.ok);
            EXPECT_TRUE(written.status.message.contains(c.reason))
                << written.status.message.toStdString();
            EXPECT_TRUE(written.status.message.contains(QStringLiteral("Aucune archive")));
        }
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("ancienne.zip")});
        EXPECT_EQ(bytesOf(earlier), "earlier archive");
    }
}

TEST(DataArchive, ARestoreCutShortPutsBackEveryFileAndKeepsNoCopies) {
    Program p;
    const QString target = p.home.filePath(QStringLiteral("a.zip"));
    ASSERT_TRUE(writeArchive(p.layout, target).status.ok);
    const Contents contents = readArchive(target);
    ASSERT_TRUE(contents.status.ok);
    put(p.layout.pathOf(QStringLiteral("DFCF 76054.txt")), "changed\r\n");
    put(p.layout.pathOf(QStringLiteral("Liste_Activite.txt")), "changed too\r\n");
    QFile::remove(p.layout.pathOf(QStringLiteral("Journal d'été.txt")));
    const QMap<QString, QByteArray> before = snapshot(p.layout.programDir);

    // Two copies kept aside, then the writes: the last of the three writes fails.
    FailingCalls failing(QStringLiteral("rename"), ENOSPC, 4, true);
    sys::ScopedCalls seam(failing);
    const Restored restored = restore(contents, p.layout, QDateTime::currentDateTime());
    EXPECT_FALSE(restored.status.ok);
    EXPECT_TRUE(restored.status.message.contains(QStringLiteral("remis comme avant")))
        << restored.status.message.toStdString();
    EXPECT_EQ(snapshot(p.layout.programDir), before);
}

namespace {

/// A directory changed since its archive was made: a log changed, the first-name memory gone,
/// a folder of old logs gone, the settings changed. Every file of the home is noted before the
/// restore.
struct ChangedSinceArchive {
    Program p;
    const QString zip = p.home.filePath(QStringLiteral("sauvegarde.zip"));
    Contents contents;
    QMap<QString, QByteArray> before;
    const QDateTime now{QDate(2024, 5, 20), QTime(14, 32)};

    ChangedSinceArchive() {
        const QString old = p.layout.programDir + QStringLiteral("/Anciens/2019");
        QDir().mkpath(old);
        put(old + QStringLiteral("/DFCF 76001.txt"), "old log\r\n");
        EXPECT_TRUE(writeArchive(p.layout, zip).status.ok);
        contents = readArchive(zip);
        EXPECT_TRUE(contents.status.ok);
        QDir(p.layout.programDir + QStringLiteral("/Anciens")).removeRecursively();
        put(p.layout.pathOf(QStringLiteral("DFCF 76054.txt")), "changed\r\n");
        QFile::remove(p.layout.pathOf(QStringLiteral("Liste_Prenom.txt")));
        put(p.layout.settingsFile, "[Setup%20]\r\nIndicatif=F5XYZ\r\n");
        before = snapshot(p.home.path());
    }

    /// Every member is on disk with the archive's bytes, and the former files are kept.
    void expectRestored(const Restored &restored) const {
        EXPECT_EQ(restored.written, 4);
        EXPECT_EQ(restored.keptAside, 2);
        for (const Member &m : contents.members)
            EXPECT_EQ(bytesOf(p.layout.pathOf(m.name)), m.bytes) << m.name.toStdString();
        EXPECT_EQ(bytesOf(restored.keptFolder + QStringLiteral("/DFCF 76054.txt")), "changed\r\n");
        const QStringList left =
            QDir(p.layout.programDir)
                .entryList({QStringLiteral(".zep-restauration*")}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
    }
};

} // namespace

TEST(DataArchive, ARestoreFailingAtAnyFileCallPutsEveryFileBackAsItWas) {
    const struct {
        const char *call;
        bool once;
    } cases[] = {{"write", true},  {"fsync", true},  {"rename", true}, {"open", true},
                 {"write", false}, {"fsync", false}, {"rename", false}};
    for (const auto &c : cases) {
        // How many calls of the kind a restore makes, then each of them failed in turn.
        int calls = 0;
        {
            ChangedSinceArchive d;
            FailingCalls counting(QString::fromLatin1(c.call), EIO, 1 << 30);
            sys::ScopedCalls seam(counting);
            ASSERT_TRUE(restore(d.contents, d.p.layout, d.now).status.ok);
            calls = counting.seen();
        }
        ASSERT_GT(calls, 4) << c.call;
        int failed = 0;
        QStringList messages;
        for (int n = 0; n < calls; ++n) {
            SCOPED_TRACE(std::string(c.call) + (c.once ? " once at " : " for good from ") +
                         std::to_string(n));
            ChangedSinceArchive d;
            FailingCalls failing(QString::fromLatin1(c.call), EIO, n, c.once);
            Restored restored;
            {
                sys::ScopedCalls seam(failing);
                restored = restore(d.contents, d.p.layout, d.now);
            }
            if (restored.status.ok) {
                // A directory that could not be synced: the files are complete all the same.
                d.expectRestored(restored);
                continue;
            }
            ++failed;
            messages << restored.status.message;
            EXPECT_FALSE(restored.cancelled);
            EXPECT_EQ(restored.written, 0);
            EXPECT_TRUE(restored.status.message.contains(QStringLiteral("erreur d'entrée-sortie")))
                << restored.status.message.toStdString();
            const QString kept = d.p.layout.programDir + QLatin1Char('/') + keptAsidePrefix +
                                 QStringLiteral("20240520_1432/");
            if (!c.once && QString::fromLatin1(c.call) == QLatin1String("rename") &&
                restored.status.message.contains(QStringLiteral("gardés dans le dossier"))) {
                // No rename works any more, so none can be undone: each file is the former one
                // or the archive's, and the former ones of those replaced are in the kept folder.
                for (const Member &m : d.contents.members) {
                    const QString path = d.p.layout.pathOf(m.name);
                    const QString rel = QDir(d.p.home.path()).relativeFilePath(path);
                    const QByteArray now = bytesOf(path);
                    if (now == d.before.value(rel, "<missing>"))
                        continue;
                    EXPECT_EQ(now, m.bytes) << m.name.toStdString();
                    if (d.before.contains(rel)) {
                        EXPECT_EQ(bytesOf(kept + m.name), d.before[rel]) << m.name.toStdString();
                    }
                }
                continue;
            }
            EXPECT_TRUE(restored.status.message.contains(QStringLiteral("remis comme avant")) ||
                        restored.status.message.contains(QStringLiteral("aucun fichier n'a été "
                                                                        "modifié")) ||
                        restored.status.message.contains(QStringLiteral("Rien n'a été restauré")))
                << restored.status.message.toStdString();
            EXPECT_EQ(snapshot(d.p.home.path()), d.before);
        }
        EXPECT_GE(failed, 4) << c.call;
        // A date that cannot be set on a new content stops the restore like its bytes would.
        if (QString::fromLatin1(c.call) == QLatin1String("open")) {
            EXPECT_TRUE(
                messages.join('\n').contains(QStringLiteral("Impossible de dater le fichier")))
                << messages.join('\n').toStdString();
        }
    }
}

TEST(DataArchive, ARestoreCancelledAtAnyStepPutsEveryFileBackAsItWas) {
    for (int k = 0;; ++k) {
        SCOPED_TRACE("cancelled after step " + std::to_string(k));
        ASSERT_LT(k, 100);
        ChangedSinceArchive d;
        std::atomic_bool cancel = k == 0;
        QList<int> steps;
        int total = 0;
        Progress progress;
        progress.cancel = &cancel;
        progress.step = [&](int done, int all) {
            steps.append(done);
            total = all;
            if (done == k)
                cancel = true;
        };
        const Restored restored = restore(d.contents, d.p.layout, d.now, progress);
        // Two steps a file: its new content written aside, then put in place.
        for (int i = 0; i < steps.size(); ++i)
            EXPECT_EQ(steps[i], i + 1);
        if (k > 0 && k == total) {
            // Cancelled once the last file is in place: too late, the restore is done.
            EXPECT_EQ(total, 8);
            ASSERT_TRUE(restored.status.ok) << restored.status.message.toStdString();
            d.expectRestored(restored);
            break;
        }
        EXPECT_TRUE(restored.cancelled);
        EXPECT_EQ(restored.written, 0);
        EXPECT_TRUE(
            restored.status.message.startsWith(QStringLiteral("La restauration est annulée")))
            << restored.status.message.toStdString();
        EXPECT_EQ(snapshot(d.p.home.path()), d.before);
    }
}

TEST(DataArchive, ScratchFilesOfARestoreKilledMidwayAreNeverArchivedAndGoAtTheNextRestore) {
    ChangedSinceArchive d;
    const QStringList leftovers = {
        d.p.layout.programDir + QStringLiteral("/.zep-restauration-3.tmp"),
        d.p.layout.programDir + QStringLiteral("/Listes/.zep-restauration-12.tmp"),
        QFileInfo(d.p.layout.settingsFile).absolutePath() +
            QStringLiteral("/.zep-restauration-4.tmp"),
    };
    for (const QString &path : leftovers)
        put(path, "half of a log");
    for (const DiskFile &f : listFiles(d.p.layout))
        EXPECT_FALSE(f.member.contains(QStringLiteral("restauration"))) << f.member.toStdString();
    const Restored restored = restore(d.contents, d.p.layout, d.now);
    ASSERT_TRUE(restored.status.ok) << restored.status.message.toStdString();
    for (const QString &path : leftovers)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
}

#ifdef ZEP_ARCHIVE_RESTORER

namespace {

/// Runs the restorer on `d`, under strace killing it at the `when`-th call of `syscall` if one
/// is named. True when it completed.
bool runRestorer(const ChangedSinceArchive &d, const QString &zip, const QString &syscall = {},
                 int when = 0) {
    const QStringList args = {zip, d.p.layout.programDir, d.p.layout.settingsFile};
    QProcess process;
    if (syscall.isEmpty())
        process.start(QStringLiteral(ZEP_ARCHIVE_RESTORER), args);
    else
        process.start(
            QStringLiteral("strace"),
            QStringList{QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("-e"),
                        QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(syscall).arg(when),
                        QStringLiteral(ZEP_ARCHIVE_RESTORER)} +
                args);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
           process.readAllStandardOutput().contains("fait");
}

} // namespace

TEST(DataArchive, ARestoreKilledAtAnyFileCallLeavesEachFileOldOrNewAndTheNextRestoreEnds) {
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        GTEST_SKIP() << "strace est absent : le test d'interruption brutale est sauté";
    {
        ChangedSinceArchive probe;
        if (!runRestorer(probe, probe.zip, QStringLiteral("getpid"), 65535))
            GTEST_SKIP() << "strace ne peut pas suivre un processus ici (ptrace refusé)";
    }
    const QStringList syscalls = {"write",    "fsync",  "rename",  "renameat2",
                                  "renameat", "unlink", "unlinkat"};
    int kills = 0, keptOld = 0, keptNew = 0, mixed = 0;
    for (const QString &syscall : syscalls) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE((syscall + QStringLiteral(" #%1").arg(n)).toStdString());
            ASSERT_LT(n, 500) << "the restore never completes";
            ChangedSinceArchive d;
            // The files as they are before and as the archive has them.
            QMap<QString, QByteArray> old, fresh;
            for (const Member &m : d.contents.members) {
                old.insert(m.name, bytesOf(d.p.layout.pathOf(m.name)));
                fresh.insert(m.name, m.bytes);
            }
            if (runRestorer(d, d.zip, syscall, n)) {
                for (const Member &m : d.contents.members)
                    EXPECT_EQ(bytesOf(d.p.layout.pathOf(m.name)), m.bytes);
                break;
            }
            ++kills;
            int oldHere = 0, newHere = 0;
            for (const Member &m : d.contents.members) {
                const QByteArray left = bytesOf(d.p.layout.pathOf(m.name));
                EXPECT_TRUE(left == old[m.name] || left == fresh[m.name])
                    << m.name.toStdString() << " left as " << left.toStdString();
                oldHere += left == old[m.name] && old[m.name] != fresh[m.name];
                newHere += left == fresh[m.name] && old[m.name] != fresh[m.name];
            }
            keptOld += newHere == 0;
            keptNew += oldHere == 0;
            mixed += oldHere > 0 && newHere > 0;
            // The next restore ends the work and clears what the killed one left.
            ASSERT_TRUE(runRestorer(d, d.zip));
            for (const Member &m : d.contents.members)
                EXPECT_EQ(bytesOf(d.p.layout.pathOf(m.name)), m.bytes) << m.name.toStdString();
            for (const QString &name : snapshot(d.p.home.path()).keys())
                EXPECT_FALSE(name.contains(QStringLiteral(".zep-restauration")))
                    << name.toStdString();
        }
    }
    EXPECT_GT(kills, 10) << "the restorer was hardly ever killed: is the injection working?";
    EXPECT_GT(keptOld, 0);
    EXPECT_GT(keptNew, 0);
    // Killed between two renames, some files are already the archive's: the kept folder then
    // holds the former ones.
    EXPECT_GT(mixed, 0);
}

#endif
