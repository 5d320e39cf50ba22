#include "core/DataArchive.h"

#include "core/SysCalls.h"
#include "core/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
QByteArray handMadeZip(const QList<std::pair<QByteArray, QByteArray>> &members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto &[name, bytes] : members) {
        zip_source_t *s = zip_source_buffer(zip, bytes.constData(), bytes.size(), 0);
        const zip_int64_t i = zip_file_add(zip, name.constData(), s, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(zip, zip_uint64_t(i), ZIP_CM_STORE, 0);
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
    // The archive that was damaged above is good before the damage.
    QTemporaryDir dir;
    put(dir.filePath(QStringLiteral("good.zip")), good);
    EXPECT_TRUE(readArchive(dir.filePath(QStringLiteral("good.zip"))).status.ok);
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
