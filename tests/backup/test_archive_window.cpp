// "Fichiers" > "Archiver les données…" and "Restaurer une archive…" as the operator uses them:
// the menu, the scripted save and open dialogs, the comparison window read and clicked, the
// message boxes answered, then the files and the entry window looked at.

#include "entry/EntryWindowFixture.h"

#include "backup/ArchiveMenus.h"
#include "backup/Restaurer_Archive.h"
#include "core/backup/DataArchive.h"
#include "core/io/SysCalls.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/WindowServices.h"
#include "support/MenuItems.h"
#include "support/ModalWindows.h"
#include "support/QStringPrint.h"
#include "support/QsoLines.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>

using namespace zep;
using zep::testing::logBytesOf;
using zep::testing::qsoLineOf;

namespace {

const QString first = qsoLineOf(QStringLiteral("07/12/26"), QStringLiteral("10:00"),
                                QStringLiteral("F1ABC"), QStringLiteral("75"),
                                QStringLiteral("Jean"), QStringLiteral("SSB"), QStringLiteral("7"));
const QString second = qsoLineOf(QStringLiteral("07/12/26"), QStringLiteral("10:05"),
                                 QStringLiteral("F5XYZ"), QStringLiteral("21"),
                                 QStringLiteral("Zoé"), QStringLiteral("SSB"), QStringLiteral("7"));

class DataArchiveFromEntry : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        ASSERT_TRUE(elsewhere.isValid());
        settingsFile = elsewhere.filePath(QStringLiteral("Riduzazur.ini"));
        put(settingsFile, "[Setup%20]\r\nIndicatif=F4ABC\r\n");
        put(logFile(), logBytesOf({first, second}));
        put(path(QStringLiteral("Liste_Prenom.txt")), "F1ABC        75 Jean\r\n");
        put(path(QStringLiteral("Liste_Activite.txt")), "DFCF-21-001\r\n");
    }

    Saisie_QSO &openWithArchives() {
        Saisie_QSO &entry = open();
        actions =
            connectDataArchives(entry, services, clock, settingsFile, [this] { ++afterRestores; });
        return entry;
    }

    /// "Restaurer une archive…" clicked, the dialog answering `zip`; `onWindow` runs on the
    /// comparison window while it is shown. Returns whether it was shown.
    bool runRestore(Saisie_QSO &entry, const QString &zip,
                    const std::function<void(Restaurer_Archive &)> &onWindow) {
        files.setNextOpenAnswer(zip);
        bool shown = false;
        // The archive is read on a worker thread first: the window is looked for until it shows.
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *w = qobject_cast<Restaurer_Archive *>(QApplication::activeModalWidget());
            if (!w)
                return;
            poll.stop();
            // Closed after `onWindow` even when a check fails: the test fails, not hangs.
            const zep::testing::ModalWindowsClosed closer;
            shown = true;
            onWindow(*w);
            if (w->isVisible())
                w->reject();
        });
        poll.start();
        zep::testing::menuItem(entry, "Mnu_Restaurer")->trigger();
        poll.stop();
        QApplication::processEvents();
        return shown;
    }

    static QStringList rowOf(const Restaurer_Archive &w, int row) {
        QStringList cells;
        for (int c : {Restaurer_Archive::ColFichier, Restaurer_Archive::ColTailleArchive,
                      Restaurer_Archive::ColTailleDisque, Restaurer_Archive::ColEtat})
            cells.append(w.Liste_Fichiers->item(row, c)->text());
        return cells;
    }

    QTemporaryDir elsewhere; ///< the settings folder and the operator's backup stick
    QString settingsFile;
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    DataArchiveActions *actions = nullptr;
    int afterRestores = 0;
};

} // namespace

TEST_F(DataArchiveFromEntry, ArchivesInTheBackgroundWhereTheOperatorChoseAndSaysWhatItHolds) {
    Saisie_QSO &entry = openWithArchives();
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Archiver")->text(),
              QStringLiteral("Archiver les données…"));
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Restaurer")->text(),
              QStringLiteral("Restaurer une archive…"));
    EXPECT_TRUE(entry.filesMenu->actions().contains(zep::testing::menuItem(entry, "Mnu_Archiver")));

    const QString target = elsewhere.filePath(QStringLiteral("clé/ma sauvegarde.zip"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    for (int run = 0; run < 2; ++run) {
        files.setNextAnswer(target);
        QSignalSpy finished(actions, &DataArchiveActions::archiveFinished);
        zep::testing::menuItem(entry, "Mnu_Archiver")->trigger();
        EXPECT_FALSE(zep::testing::menuItem(entry, "Mnu_Archiver")->isEnabled())
            << "greyed while the archive is written";
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_TRUE(finished.first().first().toBool());
        EXPECT_TRUE(zep::testing::menuItem(entry, "Mnu_Archiver")->isEnabled());
        EXPECT_EQ(dialogs.last(),
                  QStringLiteral("Les données sont archivées dans le fichier \"%1\" : il contient "
                                 "4 fichier(s).")
                      .arg(target));
    }
    // The name carries the local date and time; the second time, the folder last used.
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(QFileInfo(files.requests[0].proposedPath).fileName(),
              QStringLiteral("ZEP_Rozadovev 20261207_1507.zip"));
    EXPECT_EQ(files.requests[1].proposedPath,
              QFileInfo(target).absolutePath() +
                  QStringLiteral("/ZEP_Rozadovev 20261207_1507.zip"));
    EXPECT_EQ(files.requests[0].caption, QStringLiteral("Archiver les données"));

    const archive::Contents contents = archive::readArchive(target);
    ASSERT_TRUE(contents.status.ok);
    QStringList names;
    for (const archive::Member &m : contents.members)
        names.append(m.name);
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("DFCF-21-001.txt"), QStringLiteral("Liste_Activite.txt"),
                           QStringLiteral("Liste_Prenom.txt"),
                           QStringLiteral("Réglages/Riduzazur.ini")}));
    EXPECT_EQ(contents.members.first().bytes, bytes(logFile()));
}

TEST_F(DataArchiveFromEntry, ShowsTheArchiveAgainstTheDiskAndRestoresOnlyAfterOui) {
    const QString zip = elsewhere.filePath(QStringLiteral("sauvegarde.zip"));
    ASSERT_TRUE(archive::writeArchive({dir.path(), settingsFile}, zip).status.ok);
    const QByteArray archivedLog = bytes(logFile());
    // Since the archive: a QSO lost, the memory gone, a listing written.
    put(logFile(), logBytesOf({first}));
    QFile::remove(path(QStringLiteral("Liste_Prenom.txt")));
    put(path(QStringLiteral("DFCF-21-001 Alpha.txt")), "listing\r\n");
    Saisie_QSO &entry = openWithArchives();
    QFile::remove(path(QStringLiteral("Liste_Prenom.txt"))); // the window made an empty one
    ASSERT_EQ(entry.Liste_QSO->count(), 1);
    QSignalSpy refreshed(&entry, &Saisie_QSO::logRefreshed);

    const bool shown = runRestore(entry, zip, [&](Restaurer_Archive &w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Restaurer une archive"));
        ASSERT_EQ(w.Liste_Fichiers->rowCount(), 5);
        const QString logSize = QStringLiteral("%1 octets").arg(archivedLog.size());
        const QString oneQso = QStringLiteral("%1 octets").arg(bytes(logFile()).size());
        const QList<QStringList> expected = {
            {QStringLiteral("DFCF-21-001 Alpha.txt"), QStringLiteral("absent"),
             QStringLiteral("9 octets"), QStringLiteral("seulement sur le disque")},
            {QStringLiteral("DFCF-21-001.txt"), logSize, oneQso, QStringLiteral("différent")},
            {QStringLiteral("Liste_Activite.txt"), QStringLiteral("13 octets"),
             QStringLiteral("13 octets"), QStringLiteral("identique")},
            {QStringLiteral("Liste_Prenom.txt"), QStringLiteral("22 octets"),
             QStringLiteral("absent"), QStringLiteral("absent du disque")},
            {QStringLiteral("Réglages/Riduzazur.ini"), QStringLiteral("29 octets"),
             QStringLiteral("29 octets"), QStringLiteral("identique")},
        };
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(rowOf(w, row), expected[row]) << row;
        EXPECT_TRUE(w.Liste_Fichiers->item(1, Restaurer_Archive::ColDateDisque)
                        ->text()
                        .contains(QStringLiteral("/")));
        EXPECT_EQ(w.Compteurs->text(),
                  QStringLiteral("4 fichier(s) dans l'archive — identiques : 2 — différents : 1 "
                                 "— absents du disque : 1 — seulement sur le disque : 1"));

        // "Non": nothing is written and the window stays.
        dialogs.setNextAnswer(false);
        QTest::mouseClick(w.Restaurer, Qt::LeftButton);
        EXPECT_TRUE(dialogs.shown().back().isQuestion);
        EXPECT_TRUE(dialogs.last().startsWith(
            QStringLiteral("Écrire 2 fichier(s) de l'archive \"sauvegarde.zip\"")));
        EXPECT_EQ(bytes(logFile()), logBytesOf({first}));
        EXPECT_TRUE(w.isVisible());

        dialogs.setNextAnswer(true);
        QTest::mouseClick(w.Restaurer, Qt::LeftButton);
        // Written on a worker thread behind a progress bar; the window closes once done.
        EXPECT_TRUE(w.Progression->isVisible());
        EXPECT_FALSE(w.Restaurer->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 10000));
    });
    ASSERT_TRUE(shown);

    EXPECT_EQ(bytes(logFile()), archivedLog);
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), "F1ABC        75 Jean\r\n");
    EXPECT_EQ(bytes(path(QStringLiteral("DFCF-21-001 Alpha.txt"))), "listing\r\n");
    const QString kept = path(QStringLiteral("Avant restauration 20261207_1507"));
    EXPECT_EQ(bytes(kept + QStringLiteral("/DFCF-21-001.txt")), logBytesOf({first}));
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("L'archive \"sauvegarde.zip\" est restaurée : 2 fichier(s) écrit(s).\n"
                             "Les 1 fichier(s) remplacé(s) sont gardés dans le dossier \"%1\".")
                  .arg(kept));
    // The entry window and its followers read the restored log, the setup window its list.
    EXPECT_EQ(entry.Liste_QSO->count(), 2);
    EXPECT_GE(refreshed.count(), 1);
    EXPECT_EQ(afterRestores, 1);
}

TEST_F(DataArchiveFromEntry, RefusesADamagedArchiveBeforeAnyWindow) {
    const QString zip = elsewhere.filePath(QStringLiteral("pas une archive.zip"));
    put(zip, logBytesOf({first}));
    Saisie_QSO &entry = openWithArchives();
    const QByteArray log = bytes(logFile());
    EXPECT_FALSE(runRestore(entry, zip, [](Restaurer_Archive &) {}));
    EXPECT_EQ(dialogs.last(), QStringLiteral("L'archive \"pas une archive.zip\" ne peut pas être "
                                             "restaurée : ce n'est pas une archive zip, ou elle "
                                             "est incomplète.\nRien n'a été modifié."));
    EXPECT_EQ(bytes(logFile()), log);
    EXPECT_EQ(afterRestores, 0);
}

namespace {

/// Holds the restoring thread at each file sync until released (the window's thread goes
/// through): the operator has time to press "Annuler" midway.
class HeldSyncs : public sys::Calls {
public:
    int fsync(int fd) override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            reached = true;
            while (!released)
                QThread::msleep(1);
        }
        return sys::Calls::fsync(fd);
    }
    std::atomic_bool reached = false, released = false;
};

} // namespace

TEST_F(DataArchiveFromEntry, AnnulerMidwayStopsTheRestoreAndLeavesEveryFileAsItWas) {
    const QString zip = elsewhere.filePath(QStringLiteral("sauvegarde.zip"));
    ASSERT_TRUE(archive::writeArchive({dir.path(), settingsFile}, zip).status.ok);
    put(logFile(), logBytesOf({first}));
    put(settingsFile, "[Setup%20]\r\nIndicatif=F5XYZ\r\n");
    Saisie_QSO &entry = openWithArchives();
    QFile::remove(path(QStringLiteral("Liste_Prenom.txt")));
    const QStringList names =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QByteArray log = bytes(logFile());

    HeldSyncs held;
    sys::ScopedCalls seam(held);
    const bool shown = runRestore(entry, zip, [&](Restaurer_Archive &w) {
        QSignalSpy finished(&w, &Restaurer_Archive::restoreFinished);
        dialogs.setNextAnswer(true);
        QTest::mouseClick(w.Restaurer, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return held.reached.load(); }, 10000));
        EXPECT_TRUE(w.Progression->isVisible());
        QTest::mouseClick(w.Annuler, Qt::LeftButton);
        // The window stays until the files are put back.
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.Annuler->isEnabled());
        held.released = true;
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_FALSE(finished.first().first().toBool());
        EXPECT_EQ(dialogs.last(),
                  QStringLiteral("La restauration est annulée : aucun fichier n'a été modifié."));
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.Restaurer->isEnabled());
        EXPECT_FALSE(w.Progression->isVisible());
    });
    held.released = true;
    ASSERT_TRUE(shown);
    EXPECT_EQ(bytes(logFile()), log);
    EXPECT_EQ(bytes(settingsFile), "[Setup%20]\r\nIndicatif=F5XYZ\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              names);
}
