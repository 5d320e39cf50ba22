// The real program, started offscreen on a temporary directory: it opens its setup window
// and writes its start-up settings; a second copy on the same directory stops at once and
// touches nothing; a lock left by a killed copy does not keep the next one out. Without --dir
// it works in the per-user data directory, never beside its executable.

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class Smoke : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("data")));
    }
    void TearDown() override {
        for (auto &p : running) {
            p->kill();
            p->waitForFinished(5000);
        }
    }

    QString dataDir() const { return home.filePath(QStringLiteral("data")); }
    QString iniFile() const {
        return home.filePath(QStringLiteral("config/Riduzazur/Riduzazur.ini"));
    }

    QProcess *start() { return start(dataDir()); }
    QProcess *start(const QString &directory) {
        return startWith({QStringLiteral("--dir"), directory});
    }
    QProcess *startWith(const QStringList &arguments) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("share")));
        process->setProcessEnvironment(env);
        // Nobody watches: the start's messages and questions go to the error output.
        process->start(QStringLiteral(ZEP_APP),
                       arguments + QStringList{QStringLiteral("--sans-question")});
        EXPECT_TRUE(process->waitForStarted(10000));
        running.push_back(std::move(process));
        return running.back().get();
    }

    QString startDirectorySetting() const {
        QSettings ini(iniFile(), QSettings::IniFormat);
        return ini.value(QStringLiteral("Setup /Chemin Repertoire")).toString();
    }
    QString revisionSetting() const {
        QSettings ini(iniFile(), QSettings::IniFormat);
        return ini.value(QStringLiteral("Setup /Revision")).toString();
    }

    /// Waits until the window has loaded: its start-up settings are written, the folder first
    /// and the revision after it, each in a write of its own.
    bool waitForLoad(QProcess *p) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            if (startDirectorySetting() == dataDir() && !revisionSetting().isEmpty() &&
                QFileInfo::exists(QDir(dataDir()).filePath(QStringLiteral("Liste_Activite.txt"))))
                return true;
            if (p->state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

    /// Every file under the temporary home with its size and modification time.
    QStringList snapshot() const {
        QStringList all;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo f(it.next());
            all.append(QStringLiteral("%1 %2 %3")
                           .arg(f.filePath())
                           .arg(f.size())
                           .arg(f.lastModified().toMSecsSinceEpoch()));
        }
        all.sort();
        return all;
    }

    QTemporaryDir home;
    std::vector<std::unique_ptr<QProcess>> running;
};

TEST_F(Smoke, OneProgramPerDirectoryAndACrashLeavesNoLockBehind) {
    QProcess *first = start();
    ASSERT_TRUE(waitForLoad(first)) << first->readAllStandardError().toStdString();
    EXPECT_EQ(revisionSetting(), QStringLiteral(" 1.3.7b"));

    // A save of the first copy under way: the second one must not take its scratch file.
    const QDir data(dataDir());
    const QString underWay = data.filePath(QStringLiteral(".zep~Temporaire.txt~99999-1"));
    QFile scratch(underWay);
    ASSERT_TRUE(scratch.open(QIODevice::WriteOnly));
    scratch.write("half");
    scratch.close();
    const QStringList before = snapshot();
    QProcess *second = start();
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(second->readAllStandardError())
                    .contains(QStringLiteral("Le programme est déjà ouvert sur le répertoire")));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(first->state(), QProcess::Running);

    // A crash (SIGKILL) leaves the lock file with a dead process id in it.
    first->kill();
    ASSERT_TRUE(first->waitForFinished(10000));
    QFile(iniFile()).remove();
    // The scratch files the killed copy left go at the next start (those of the earlier
    // versions' fixed names too); the operator's files stay, whatever their names.
    for (const QString &name :
         {QStringLiteral("Temporaire6.txt"), QStringLiteral("Temporaire notes.txt")}) {
        QFile f(data.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QProcess *third = start();
    ASSERT_TRUE(waitForLoad(third)) << third->readAllStandardError().toStdString();
    EXPECT_EQ(third->state(), QProcess::Running);
    EXPECT_FALSE(QFileInfo::exists(underWay));
    EXPECT_FALSE(QFileInfo::exists(data.filePath(QStringLiteral("Temporaire6.txt"))));
    EXPECT_TRUE(QFileInfo::exists(data.filePath(QStringLiteral("Temporaire notes.txt"))));
}

// The first window comes without the libraries that only later work needs: the archives'
// (libzip, and the cryptography it brings, loaded at the first archive), the network's (the
// cluster and cwdaemon speak through the system's sockets), the radio's and the sound's (their
// helpers').
TEST_F(Smoke, TheFirstWindowMapsNoArchiveNetworkRadioOrSoundLibrary) {
    QProcess *p = start();
    ASSERT_TRUE(waitForLoad(p)) << p->readAllStandardError().toStdString();
    QFile maps(QStringLiteral("/proc/%1/maps").arg(p->processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    ASSERT_TRUE(mapped.contains("libQt6Widgets")) << "not the program's maps";
    for (const char *library :
         {"libzip", "libcrypto", "libQt6Network", "libkrb5", "libhamlib", "libQt6Multimedia"})
        EXPECT_FALSE(mapped.contains(library)) << library;
}

TEST_F(Smoke, ADirectoryThatCannotBeWrittenStopsTheStartWithOneMessage) {
    // /proc exists and takes no new file, even from root: the program must not open a window
    // that would take QSOs it cannot save.
    QProcess *p = start(QStringLiteral("/proc"));
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 1);
    const QString err = QString::fromUtf8(p->readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("Le répertoire \"/proc\" ne permet pas d'enregistrer")))
        << err.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("Le répertoire")), 1);
    EXPECT_FALSE(QFile::exists(iniFile())); // nothing was started, not even the settings
}

TEST_F(Smoke, WithoutDirTheDataGoToTheUsersDataDirectory) {
    // Logs left in the folder that the run command used before: with --sans-question nobody answers
    // the offer to move them, so they are named and left where they are.
    const QString earlier = home.filePath(QStringLiteral("ZEP_Rozadovev"));
    ASSERT_TRUE(QDir().mkpath(earlier));
    QFile log(earlier + QStringLiteral("/F1ABC.txt"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("F1ABC\r\n");
    log.close();
    const QString exeDir = QFileInfo(QStringLiteral(ZEP_APP)).absolutePath();
    const QStringList besideBefore =
        QDir(exeDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QProcess *p = startWith({});
    const QString userDir = home.filePath(QStringLiteral("share/Riduzazur/ZEP_Rozadovev"));
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(userDir + QStringLiteral("/Liste_Activite.txt")) &&
           p->state() == QProcess::Running && t.elapsed() < 20000)
        QTest::qWait(50);
    ASSERT_EQ(p->state(), QProcess::Running) << p->readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo::exists(userDir + QStringLiteral("/Liste_Activite.txt")));
    EXPECT_TRUE(
        QString::fromLocal8Bit(p->readAllStandardError())
            .contains(QStringLiteral("Les fichiers de données sont dans \"%1\"").arg(earlier)));
    EXPECT_TRUE(QFileInfo::exists(earlier + QStringLiteral("/F1ABC.txt")));
    EXPECT_EQ(QDir(exeDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              besideBefore);
}

} // namespace

TEST_F(Smoke, AtStartALogShorterThanItsCopyIsNamedAndLeftAlone) {
    // The last activation saved, its log cut to one QSO, its copy holding two. Nobody
    // answers the question: it goes to the error output and nothing is touched.
    const QString copies = home.filePath(QStringLiteral("usb"));
    ASSERT_TRUE(QDir().mkpath(copies));
    {
        QSettings ini(iniFile(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Setup /N° Activite"), QStringLiteral("DFCF 76054"));
        ini.setValue(QStringLiteral("Setup /Dossier de sauvegarde"), copies);
    }
    // Two QSO lines of 104 columns, as the entry window writes them.
    const QByteArray one = "08/12/26  12:05  F5XY          75                   59  59  SSB   "
                           "3.5 Mhz                               \r\n";
    const QByteArray two = one + "08/12/26  12:06  F5ABV         13                   59  59  "
                                 "SSB   3.5 Mhz                               \r\n";
    const QString log = QDir(dataDir()).filePath(QStringLiteral("DFCF 76054.txt"));
    for (const auto &[path, bytes] :
         {std::pair{log, one},
          std::pair{QDir(copies).filePath(QStringLiteral("DFCF 76054.txt")), two}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QProcess *p = start();
    ASSERT_TRUE(waitForLoad(p)) << p->readAllStandardError().toStdString();
    // The error output arrives through the pipe at its own pace.
    QString said;
    QElapsedTimer t;
    t.start();
    while (!said.contains(QStringLiteral("QSO (modifiée")) && t.elapsed() < 20000) {
        p->waitForReadyRead(100);
        said += QString::fromUtf8(p->readAllStandardError());
    }
    EXPECT_TRUE(said.contains(QStringLiteral("il est plus court que sa copie")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("1 QSO"))) << said.toStdString();
    QFile kept(log);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), one);
}

TEST_F(Smoke, SettingsEditedByHandAreNamedOnceAtStartAndNotUsed) {
    // A backup folder that is the data directory by a link, a current reference that leaves
    // it, a login carrying a second command, a host of 5,000 characters.
    const QString link = home.filePath(QStringLiteral("lien-donnees"));
    ASSERT_TRUE(QFile::link(dataDir(), link));
    {
        QSettings ini(iniFile(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Setup /N° Activite"), QStringLiteral("../victime"));
        ini.setValue(QStringLiteral("Setup /Cluster Indicatif"),
                     QStringLiteral("F4ABC\r\nSET/PASSWORD secret"));
        ini.setValue(QStringLiteral("Setup /CAT Hote"), QString(5000, QLatin1Char('h')));
        ini.setValue(QStringLiteral("Setup /Dossier de sauvegarde"), link);
    }
    // What a restore of "../victime" would have offered from the copy folder.
    {
        QFile copy(QDir(dataDir()).filePath(QStringLiteral("victime.txt")));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write("08/12/26  12:05  F5XY          75                   59  59  SSB   "
                   "3.5 Mhz                               \r\n");
    }

    QProcess *p = start();
    ASSERT_TRUE(waitForLoad(p)) << p->readAllStandardError().toStdString();
    QString said;
    QElapsedTimer t;
    t.start();
    while (!said.contains(QStringLiteral("Aucune copie n'y est faite")) && t.elapsed() < 20000) {
        p->waitForReadyRead(100);
        said += QString::fromUtf8(p->readAllStandardError());
    }
    for (const char *part : {"« N° Activite »", "« Cluster Indicatif »", "« CAT Hote »",
                             "Le dossier de sauvegarde", "est refusé"})
        EXPECT_TRUE(said.contains(QString::fromUtf8(part))) << part << '\n' << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("Des réglages ne sont pas valables")), 1);
    EXPECT_FALSE(said.contains(QStringLiteral("SET/PASSWORD")));
    EXPECT_FALSE(said.contains(QStringLiteral("victime.txt"))) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("victime.txt"))));
}
