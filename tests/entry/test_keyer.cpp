// The messages keys of the entry window, driven from the keyboard: a scripted keyer records
// what it is asked; one test drives a real cwdaemon.

#include "entry/EntryKeyer.h"
#include "entry/EntryWindowFixture.h"
#include "platform/CatKeyer.h"
#include "platform/DeviceKeyers.h"
#include "platform/FileChooser.h"
#include "platform/PosteRig.h"
#include "platform/RecordingPrinter.h"
#include "platform/ScriptedKeyer.h"
#include "support/CwDaemon.h"
#include "support/QStringPrint.h"
#include "support/Rigctld.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QStatusBar>

using namespace zep;
using zep::testing::CwDaemon;
using zep::testing::Rigctld;

namespace {

class KeyerEntryTest : public zep::testing::EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        setup.activation.reference = QStringLiteral("DFCF 76054");
        setup.activation.activator = QStringLiteral("F4ABC/P");
        settings.write(keys::manipulateurSortie, QStringLiteral("2"));
        settings.write(keys::modeActivite, QStringLiteral("1")); // CW
    }

    /// The window with its messages keys; the keyers it makes are scripted ones, kept here.
    Saisie_QSO &openWithKeyer(CwKeyerFactory factory = {}) {
        Saisie_QSO &w = open();
        if (!factory)
            factory = [this](const KeyerLink &link) -> std::unique_ptr<CwKeyer> {
                links.append(link);
                cw = nullptr;
                // As the program's own: a keyer for cwdaemon and the WinKeyer only.
                if (link.output != KeyerLink::Output::CwDaemon &&
                    link.output != KeyerLink::Output::WinKeyer)
                    return nullptr;
                auto made = std::make_unique<ScriptedKeyer>();
                cw = made.get();
                return made;
            };
        keyer = connectKeyer(w, services, std::move(factory), &voice);
        w.Indi_Q->setFocus();
        return w;
    }

    QString emission() const {
        return keyer->Emission->isHidden() ? QString() : keyer->Emission->text();
    }
    QString statusLine() const { return window->statusBar()->currentMessage(); }

    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    ScriptedVoiceKeyer voice;
    ScriptedKeyer *cw = nullptr;
    QList<KeyerLink> links;
    EntryKeyer *keyer = nullptr;
};

} // namespace

TEST_F(KeyerEntryTest, FunctionKeysSendTheMessagesFilledFromTheFieldsWhileTypingGoesOn) {
    Saisie_QSO &w = openWithKeyer();
    ASSERT_EQ(w.Mode_Q->currentText(), QStringLiteral("CW"));
    press(Qt::Key_F1);
    ASSERT_NE(cw, nullptr);
    EXPECT_EQ(cw->sent, QStringList{QStringLiteral("CQ DFCF 76054 DE F4ABC/P F4ABC/P K")});
    EXPECT_EQ(cw->sentWpm, QList<int>{25});
    EXPECT_EQ(emission(), QStringLiteral("Émission : F1 CQ DFCF 76054 DE F4ABC/P F4ABC/P K"));
    EXPECT_EQ(keyer->Emission->accessibleName(), keyer->Emission->text());

    // The call is typed while the CQ goes: F2 stops it and sends the report to that call.
    type(QStringLiteral("f5xyz"));
    EXPECT_EQ(w.Indi_Q->text(), QStringLiteral("F5XYZ"));
    press(Qt::Key_F2);
    EXPECT_EQ(cw->events,
              (QStringList{QStringLiteral("send CQ DFCF 76054 DE F4ABC/P F4ABC/P K"),
                           QStringLiteral("abort"), QStringLiteral("send F5XYZ 599 599")}));
    EXPECT_EQ(emission(), QStringLiteral("Émission : F2 F5XYZ 599 599"));
    cw->endMessage();
    EXPECT_EQ(emission(), QString());
    EXPECT_TRUE(keyer->Emission->isHidden());

    // From any field: the keys are the window's. F3 to F7 too.
    w.Bande_Q->setFocus();
    press(Qt::Key_F3);
    EXPECT_EQ(cw->sent.last(), QStringLiteral("TU 73"));
    press(Qt::Key_F4);
    EXPECT_EQ(cw->sent.last(), QStringLiteral("F4ABC/P"));
    press(Qt::Key_F7);
    EXPECT_EQ(cw->sent.last(), QStringLiteral("QRZ ? DE F4ABC/P K"));
    EXPECT_EQ(links.size(), 1); // one keyer serves every message

    // F7 held down: its message once, not once per repeat of the key.
    const qsizetype before = cw->sent.size();
    QKeyEvent held(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(w.Bande_Q, &held);
    EXPECT_TRUE(held.isAccepted()); // the window's key all the same
    EXPECT_EQ(cw->sent.size(), before);
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

// The second reference goes on air only while the activation is a double one: the setup
// window keeps the field's text when the activation turns single again.
TEST_F(KeyerEntryTest, TheSecondReferenceIsSentOnlyInADoubleActivation) {
    settings.write(keys::messageF(5), QStringLiteral("{REFERENCE} {REFERENCE2} K"));
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI 21002");
    openWithKeyer();
    press(Qt::Key_F5);
    ASSERT_NE(cw, nullptr);
    EXPECT_EQ(cw->sent.last(), QStringLiteral("DFCF 76054 DIFI 21002 K"));
    cw->endMessage();
    setup.activation.isDouble = false;
    press(Qt::Key_F5);
    EXPECT_EQ(cw->sent.last(), QStringLiteral("DFCF 76054 K"));
}

TEST_F(KeyerEntryTest, TheModeBoxChoosesBetweenCwAndTheVoiceRecording) {
    Saisie_QSO &w = openWithKeyer();
    w.Mode_Q->setCurrentIndex(w.Mode_Q->findText(QStringLiteral("SSB")));
    press(Qt::Key_F1);
    EXPECT_EQ(voice.played, QList<int>{1});
    EXPECT_EQ(cw, nullptr); // no CW keyer made for a phone message
    EXPECT_EQ(emission(), QStringLiteral("Émission : F1 message vocal"));
    press(Qt::Key_Escape);
    EXPECT_EQ(voice.stops, 1);
    EXPECT_EQ(emission(), QString());

    for (const char *phone : {"FM", "AM"}) {
        w.Mode_Q->setEditText(QString::fromLatin1(phone));
        press(Qt::Key_F6);
        EXPECT_EQ(voice.played.last(), 6) << phone;
        voice.endMessage();
    }
    w.Mode_Q->setEditText(QStringLiteral("RTTY"));
    press(Qt::Key_F1);
    EXPECT_EQ(voice.played.size(), 3);
    EXPECT_EQ(cw, nullptr);
    EXPECT_EQ(statusLine(), QStringLiteral("Pas de message en RTTY : F1 à F7 servent en CW, SSB, "
                                           "FM et AM."));
}

TEST_F(KeyerEntryTest, EscapeStopsAtOnceAndPageKeysChangeTheSpeed) {
    Saisie_QSO &w = openWithKeyer();
    press(Qt::Key_Escape); // nothing sent: nothing to stop
    press(Qt::Key_F1);
    ASSERT_NE(cw, nullptr);
    EXPECT_EQ(cw->aborts, 0);

    press(Qt::Key_PageUp);
    press(Qt::Key_PageUp);
    press(Qt::Key_PageDown);
    EXPECT_EQ(cw->speeds, (QList<int>{27, 29, 27}));
    EXPECT_EQ(settings.read(keys::manipulateurVitesse, QString()), QStringLiteral("27"));
    EXPECT_EQ(statusLine(), QStringLiteral("Vitesse CW : 27 mots par minute"));
    press(Qt::Key_Escape);
    EXPECT_EQ(cw->aborts, 1);
    EXPECT_EQ(emission(), QString());

    // After the message too, and from the band box, whose own use of the keys is not taken.
    w.Bande_Q->setFocus();
    const int band = w.Bande_Q->currentIndex();
    press(Qt::Key_PageDown);
    EXPECT_EQ(w.Bande_Q->currentIndex(), band);
    EXPECT_EQ(cw->speeds.last(), 25);
    press(Qt::Key_F1);
    EXPECT_EQ(cw->sentWpm.last(), 25);

    // Bounded: 60 wpm at most.
    settings.write(keys::manipulateurVitesse, QStringLiteral("59"));
    press(Qt::Key_PageUp);
    press(Qt::Key_PageUp);
    EXPECT_EQ(cw->speeds.mid(cw->speeds.size() - 2), (QList<int>{60, 60}));
}

TEST_F(KeyerEntryTest, TheCqComesAgainUntilEscapeOrACallIsTyped) {
    settings.write(keys::cqRepetition, QStringLiteral("1"));
    Saisie_QSO &w = openWithKeyer();
    press(Qt::Key_F1);
    ASSERT_NE(cw, nullptr);
    cw->endMessage();
    EXPECT_TRUE(keyer->repeatPending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return cw->sent.size() == 2; }, 3000));
    EXPECT_EQ(emission().left(16), QStringLiteral("Émission : F1 CQ"));

    // A character typed in the call-sign field: this CQ ends, and none follows.
    type(QStringLiteral("F"));
    cw->endMessage();
    EXPECT_FALSE(keyer->repeatPending());

    // Escape in the pause stops the repetition.
    w.Indi_Q->clear();
    press(Qt::Key_F1);
    cw->endMessage();
    ASSERT_TRUE(keyer->repeatPending());
    press(Qt::Key_Escape);
    EXPECT_FALSE(keyer->repeatPending());
    QTest::qWait(1300);
    EXPECT_EQ(cw->sent.size(), 3);

    // Only F1 is a CQ.
    press(Qt::Key_F3);
    cw->endMessage();
    EXPECT_FALSE(keyer->repeatPending());
}

TEST_F(KeyerEntryTest, AFailingKeyerIsOneLineInTheStatusBarNeverABox) {
    settings.write(keys::cqRepetition, QStringLiteral("1"));
    openWithKeyer();
    press(Qt::Key_F1);
    cw->fail(QStringLiteral("cwdaemon ne répond pas (127.0.0.1:6789)."));
    EXPECT_EQ(statusLine(), QStringLiteral("cwdaemon ne répond pas (127.0.0.1:6789)."));
    EXPECT_EQ(emission(), QString());
    EXPECT_FALSE(keyer->repeatPending());
    EXPECT_TRUE(dialogs.texts().isEmpty());

    // No keyer chosen, or the radio's own (not in this build): said, nothing pretended.
    settings.write(keys::manipulateurSortie, QStringLiteral("0"));
    press(Qt::Key_F1);
    EXPECT_EQ(statusLine(), QStringLiteral("Aucun manipulateur : choisissez-le dans Setup > "
                                           "Messages et manipulateur…"));
    EXPECT_EQ(emission(), QString());
    settings.write(keys::manipulateurSortie, QStringLiteral("1"));
    press(Qt::Key_F1);
    EXPECT_TRUE(statusLine().contains(QStringLiteral("(CAT)")));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(KeyerEntryTest, AChangedLinkMakesANewKeyerAndTheSetupMenuOpensTheWindow) {
    Saisie_QSO &w = openWithKeyer();
    press(Qt::Key_F3);
    settings.write(keys::manipulateurPort, QStringLiteral("6790"));
    press(Qt::Key_F3);
    ASSERT_EQ(links.size(), 2);
    EXPECT_EQ(links.at(0).port, 6789);
    EXPECT_EQ(links.at(1).port, 6790);

    QAction *item = w.findChild<QAction *>(QStringLiteral("Mnu_Messages"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Messages et manipulateur…"));
    EXPECT_TRUE(w.Mnu_Setup->actions().contains(item));
    item->trigger();
    auto *messages = w.findChild<QDialog *>(QStringLiteral("Messages_Manipulateur"));
    ASSERT_NE(messages, nullptr);
    EXPECT_TRUE(messages->isVisible());
    // Its fields keep their own keys: F1 typed there sends nothing.
    const int sent = int(links.size());
    QTest::keyClick(messages->findChild<QLineEdit *>(QStringLiteral("Message_F1")), Qt::Key_F1);
    EXPECT_EQ(int(links.size()), sent);
    messages->close();
}

TEST_F(KeyerEntryTest, ARealCwdaemonGetsTheFilledMessagesTheSpeedAndTheAbort) {
    if (!CwDaemon::available())
        GTEST_SKIP() << "cwdaemon is not installed (scripts/setup.sh installs it)";
    CwDaemon daemon;
    ASSERT_TRUE(daemon.start());
    settings.write(keys::manipulateurPort, QString::number(daemon.port()));
    settings.write(keys::manipulateurVitesse, QStringLiteral("40"));
    Saisie_QSO &w = openWithKeyer(&makeDeviceKeyer);
    press(Qt::Key_F1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.texts().size() == 1; }, 3000));
    // The call answers in the middle of the CQ: F2 stops it and sends the report.
    type(QStringLiteral("f5xyz"));
    press(Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.texts().size() == 2; }, 3000));
    EXPECT_EQ(daemon.aborts(), 1);
    press(Qt::Key_PageDown);
    press(Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.aborts() == 2; }, 3000));
    EXPECT_EQ(emission(), QString());
    EXPECT_EQ(daemon.texts(), (QStringList{QStringLiteral("CQ DFCF 76054 DE F4ABC/P F4ABC/P K"),
                                           QStringLiteral("F5XYZ 599 599")}));
    EXPECT_EQ(daemon.speeds(),
              (QStringList{QStringLiteral("40"), QStringLiteral("40"), QStringLiteral("38")}));
    EXPECT_EQ(w.statusBar()->currentMessage(), QStringLiteral("Vitesse CW : 38 mots par minute"));

    // A short message runs to its end, told by cwdaemon: the line goes by itself.
    settings.write(keys::manipulateurVitesse, QStringLiteral("60"));
    press(Qt::Key_F3);
    EXPECT_EQ(emission(), QStringLiteral("Émission : F3 TU 73"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return emission() == QString(); }, 5000));
    EXPECT_EQ(daemon.texts().last(), QStringLiteral("TU 73"));
}

TEST_F(KeyerEntryTest, WithTheRadioAsKeyerF1GoesToTheRadioAndEscapeStopsIt) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    Rigctld daemon;
    const QString log = dir.filePath(QStringLiteral("rigctld.log"));
    ASSERT_TRUE(daemon.start({QStringLiteral("-vvvvv")}, log));
    const auto logged = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    settings.write(keys::manipulateurSortie, QStringLiteral("1"));
    PosteRig rig(QStringLiteral(ZEP_POSTE_PROGRAM));
    RigLink link;
    link.kind = RigLink::Kind::Rigctld;
    link.port = daemon.port();
    rig.follow(link);
    Saisie_QSO &w = openWithKeyer(programKeyers(rig));
    press(Qt::Key_F1);
    EXPECT_EQ(emission(), QStringLiteral("Émission : F1 CQ DFCF 76054 DE F4ABC/P F4ABC/P K"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return logged().contains("CQ DFCF 76054 DE F4ABC/P F4ABC/P K'"); }, 5000))
        << logged().right(3000).constData();
    EXPECT_TRUE(logged().contains("KEYSPD 25"));
    press(Qt::Key_Escape);
    EXPECT_EQ(emission(), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return logged().contains("cmd=stop_morse"); }, 3000));
    // The dummy radio cannot stop its keyer: the window says so on one line.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !statusLine().isEmpty(); }, 3000));
    EXPECT_EQ(statusLine(),
              QStringLiteral("Manipulateur (CAT) : ce poste ne le permet pas par sa liaison CAT."));
    EXPECT_FALSE(keyer->repeatPending());

    // No radio followed: F1 says why in the status bar and the line goes.
    rig.follow(RigLink{});
    w.statusBar()->clearMessage();
    press(Qt::Key_F3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !statusLine().isEmpty(); }, 3000));
    EXPECT_EQ(statusLine(), QStringLiteral("Manipulateur (CAT) : aucune liaison avec le poste "
                                           "n'est choisie."));
    EXPECT_EQ(emission(), QString());
}

TEST_F(KeyerEntryTest, AVoiceMessageEndsOrFailsAsACwOneDoes) {
    settings.write(keys::cqRepetition, QStringLiteral("1"));
    Saisie_QSO &w = openWithKeyer();
    w.Mode_Q->setCurrentIndex(w.Mode_Q->findText(QStringLiteral("SSB")));
    // The CQ recorded comes again after its pause, as in CW.
    press(Qt::Key_F1);
    voice.endMessage();
    EXPECT_EQ(emission(), QString());
    EXPECT_TRUE(keyer->repeatPending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return voice.played.size() == 2; }, 3000));
    EXPECT_EQ(emission(), QStringLiteral("Émission : F1 message vocal"));

    // A failure (output gone, file refused, helper dead) is one line, and no CQ follows.
    const QString cause =
        QStringLiteral("Messages vocaux, F1 : la sortie audio \"radio\" est introuvable.");
    voice.fail(cause);
    EXPECT_EQ(statusLine(), cause);
    EXPECT_EQ(emission(), QString());
    EXPECT_FALSE(keyer->repeatPending());
    EXPECT_EQ(keyer->sending(), 0);
    // Escape after a failure has nothing to stop.
    const int stops = voice.stops;
    press(Qt::Key_Escape);
    EXPECT_EQ(voice.stops, stops);
}
