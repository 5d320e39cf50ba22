// "Setup" > "Sauvegarde…" and the status line of the live copy in the entry window.

#include "entry/EntryWindowFixture.h"

#include "backup/BackupMenus.h"
#include "backup/Copie_Securite.h"
#include "core/backup/BackupMirror.h"
#include "platform/Accessibility.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/StatusLabel.h"
#include "support/MenuItems.h"
#include "support/QStringPrint.h"
#include "support/SpokenName.h"

#include <QAction>
#include <QMessageBox>
#include <QSignalSpy>

using namespace zep;

namespace {

class BackupWindowTest : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        ASSERT_TRUE(copies.isValid());
        mirror = std::make_unique<BackupMirror>(dir.path());
        mirror->setRetryInterval(50);
        mirror->install();
        open();
        connectBackup(*window, services, *mirror);
    }
    void TearDown() override {
        EntryWindowTest::TearDown();
        mirror.reset();
    }

    QLabel *statusLine() const { return child<QLabel>(QStringLiteral("Sauvegarde")); }
    bool waitForStatus(const QString &text) {
        return QTest::qWaitFor([&] { return statusLine()->text() == text; }, 10000);
    }
    Copie_Securite *openSetup() {
        zep::testing::menuItem(*window, "Mnu_Sauvegarde")->trigger();
        auto *w = child<Copie_Securite>(QStringLiteral("Copie_Securite"));
        EXPECT_TRUE(w && w->isVisible());
        return w;
    }
    QString copyLog() const { return copies.filePath(QStringLiteral("DFCF-21-001.txt")); }
    void backToEntry() {
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->Indi_Q->setFocus();
    }

    QTemporaryDir copies;
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    std::unique_ptr<BackupMirror> mirror;
};

} // namespace

TEST_F(BackupWindowTest, AFolderChosenWithTheKeyboardGetsEveryQsoLogged) {
    EXPECT_TRUE(statusLine()->isHidden()) << "no folder, no status line";
    Copie_Securite *w = openSetup();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Copie de sécurité"));
    files.setNextDirectoryAnswer(copies.path());
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    press(Qt::Key_Tab); // to "Parcourir…"
    ASSERT_EQ(focusName(), QStringLiteral("Parcourir"));
    press(Qt::Key_Space);
    ASSERT_EQ(files.directoryRequests.size(), 1u);
    EXPECT_EQ(QDir::fromNativeSeparators(w->Dossier_Sauvegarde->text()), copies.path());
    w->Dossier_Sauvegarde->setFocus();
    enter(); // OK is the default button
    EXPECT_EQ(settings.read(keys::dossierSauvegarde, QString()), copies.path());

    backToEntry();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    ASSERT_EQ(logLines().size(), 1);
    ASSERT_TRUE(waitForStatus(QStringLiteral("Sauvegarde : à jour")));
    EXPECT_TRUE(statusLine()->isVisible());
    EXPECT_EQ(statusLine()->accessibleName(), QStringLiteral("Sauvegarde : à jour"));
    EXPECT_EQ(bytes(copyLog()), bytes(logFile()));
    EXPECT_TRUE(bytes(copyLog()).contains("F5XYZ"));
}

TEST_F(BackupWindowTest, AMediumPulledOutMidActivationWarnsOnceAndCatchesUpWhenBack) {
    ASSERT_TRUE(mirror->setFolder(copies.path()).ok);
    QSignalSpy warnings(mirror.get(), &BackupMirror::warning);
    QSignalSpy announced(child<StatusLabel>(QStringLiteral("Sauvegarde")), &StatusLabel::announced);
    backToEntry();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("21"), QStringLiteral("Jean"));
    ASSERT_TRUE(waitForStatus(QStringLiteral("Sauvegarde : à jour")));

    const QString away = copies.path() + QStringLiteral("-retiree");
    ASSERT_TRUE(QDir().rename(copies.path(), away));
    logQso(QStringLiteral("F6AAA"), QStringLiteral("75"), QStringLiteral("Paul"));
    ASSERT_TRUE(waitForStatus(QStringLiteral("Sauvegarde : support absent")));
    // A screen reader hears the state, and is told of the medium gone at once.
    EXPECT_EQ(zep::testing::spokenName(statusLine()),
              QStringLiteral("Sauvegarde : support absent"));
    EXPECT_EQ(announced.count(), 1);
    // The box asks not to be activated; the offscreen platform activates every window shown,
    // so the keyboard is given back to the entry window here as a desktop leaves it there.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        auto *b = window->findChild<QMessageBox *>(QStringLiteral("Avertissement_Sauvegarde"));
        return b && b->isVisible();
    }));
    backToEntry();
    logQso(QStringLiteral("F6BBB"), QStringLiteral("13"), QStringLiteral("Marc"));
    EXPECT_EQ(logLines().size(), 3) << "entry goes on";
    auto *box = window->findChild<QMessageBox *>(QStringLiteral("Avertissement_Sauvegarde"));
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_TRUE(box->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(box->text().contains(QStringLiteral("La saisie continue")));
    EXPECT_EQ(warnings.count(), 1);
    EXPECT_TRUE(dialogs.shown().empty()) << "no blocking message box";

    ASSERT_TRUE(QDir().rename(away, copies.path()));
    ASSERT_TRUE(waitForStatus(QStringLiteral("Sauvegarde : à jour")));
    EXPECT_EQ(bytes(copyLog()), bytes(logFile()));
    EXPECT_EQ(warnings.count(), 1);
    EXPECT_EQ(zep::testing::spokenName(statusLine()), QStringLiteral("Sauvegarde : à jour"));
    // The medium back is heard too, once.
    EXPECT_EQ(announced.count(), 2);
    EXPECT_EQ(access::lastAnnouncement(statusLine()), QStringLiteral("Sauvegarde : à jour"));
}

TEST_F(BackupWindowTest, OnlyAnExistingFolderOutsideTheDataIsKept) {
    const QString file = copies.filePath(QStringLiteral("fichier.txt"));
    put(file, "x");
    const QString link = copies.filePath(QStringLiteral("lien"));
    ASSERT_TRUE(QFile::link(dir.path(), link));
    struct Row {
        const char *name;
        QString typed;
        bool accepted;
    };
    const Row rows[] = {
        {"missing folder", copies.filePath(QStringLiteral("absent")), false},
        {"a file", file, false},
        {"the program directory", dir.path(), false},
        {"inside the program directory", dir.path() + QStringLiteral("/."), false},
        {"the program directory by a link", link, false},
        {"a folder that holds the program directory", dir.path() + QStringLiteral("/.."), false},
        {"another folder", copies.path(), true},
        {"empty: no copy", QString(), true},
    };
    for (const Row &r : rows) {
        settings.write(keys::dossierSauvegarde, QStringLiteral("avant"));
        dialogs.clear();
        Copie_Securite *w = openSetup();
        ASSERT_TRUE(w);
        w->Dossier_Sauvegarde->setText(r.typed);
        EXPECT_EQ(w->OK_Click(), r.accepted) << r.name;
        EXPECT_EQ(settings.read(keys::dossierSauvegarde, QString()),
                  r.accepted ? r.typed : QStringLiteral("avant"))
            << r.name;
        EXPECT_EQ(dialogs.shown().size(), r.accepted ? 0u : 1u) << r.name;
        if (!r.accepted)
            w->close();
    }
    EXPECT_TRUE(statusLine()->isHidden());
}
