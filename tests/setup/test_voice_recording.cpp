// The recording of the voice messages in "Messages et manipulateur", driven with clicks as the
// operator does: the message chosen, the input named in the window, the buttons that can be
// used at each moment, the level bar as a screen reader says it, and a failure as one message.

#include "core/io/Dialogs.h"
#include "core/station/KeyerSettings.h"
#include "platform/ScriptedKeyer.h"
#include "setup/Messages_Manipulateur.h"
#include "setup/VoiceRecording.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <memory>

using namespace zep;

namespace {

class VoiceRecordingTest : public ::testing::Test {
protected:
    VoiceRecording &open(VoiceRecorder *with) {
        window = std::make_unique<Messages_Manipulateur>(settings, dialogs, nullptr, with);
        window->Form_Load();
        return *window->Voix_Enregistrement;
    }
    void TearDown() override {
        if (window)
            window->close();
    }
    static void click(QPushButton *button) {
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    /// Which of Enregistrer, Arrêter, Écouter can be clicked, as "E-A-É" with "." for none.
    static QString usable(const VoiceRecording &r) {
        return QStringLiteral("%1%2%3")
            .arg(r.Voix_Enregistrer->isEnabled() ? QStringLiteral("E") : QStringLiteral("."))
            .arg(r.Voix_Arreter->isEnabled() ? QStringLiteral("A") : QStringLiteral("."))
            .arg(r.Voix_Ecouter->isEnabled() ? QStringLiteral("É") : QStringLiteral("."));
    }

    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    ScriptedVoiceRecorder recorder;
    std::unique_ptr<Messages_Manipulateur> window;
};

} // namespace

TEST_F(VoiceRecordingTest, RecordsTheChosenMessageFromTheInputNamedAndShowsItsLevel) {
    settings.write(keys::voixEntree, QStringLiteral("USB Audio CODEC"));
    VoiceRecording &r = open(&recorder);
    EXPECT_EQ(r.Voix_Enregistrer->text(), QStringLiteral("Enregistrer"));
    EXPECT_EQ(r.Voix_Arreter->text(), QStringLiteral("Arrêter"));
    EXPECT_EQ(r.Voix_Ecouter->text(), QStringLiteral("Écouter"));
    EXPECT_EQ(r.Voix_Message->count(), 7);
    EXPECT_EQ(usable(r), QStringLiteral("E.É"));
    EXPECT_EQ(r.Voix_Niveau->accessibleName(), QStringLiteral("Niveau : 0 %"));

    r.Voix_Message->setCurrentIndex(2);
    click(r.Voix_Enregistrer);
    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("record F3 USB Audio CODEC")});
    EXPECT_EQ(usable(r), QStringLiteral(".A."));
    EXPECT_FALSE(r.Voix_Message->isEnabled());
    EXPECT_TRUE(r.Voix_Etat->text().startsWith(QStringLiteral("Enregistrement de F3")));

    recorder.giveLevel(42);
    EXPECT_EQ(r.Voix_Niveau->value(), 42);
    EXPECT_EQ(r.Voix_Niveau->accessibleName(), QStringLiteral("Niveau : 42 %"));
    recorder.giveLevel(250); // beyond the bar: its end
    EXPECT_EQ(r.Voix_Niveau->accessibleName(), QStringLiteral("Niveau : 100 %"));

    click(r.Voix_Arreter);
    EXPECT_EQ(recorder.events.last(), QStringLiteral("stop"));
    recorder.save(12345);
    EXPECT_EQ(r.Voix_Etat->text(), QStringLiteral("F3 enregistré (12,3 s)."));
    EXPECT_EQ(r.Voix_Niveau->accessibleName(), QStringLiteral("Niveau : 0 %"));
    EXPECT_EQ(usable(r), QStringLiteral("E.É"));
    EXPECT_TRUE(dialogs.texts().isEmpty());

    // The input typed in the window, not saved yet, is the one recorded from; an empty one is
    // the system's default.
    window->Voix_Entree->clear();
    click(r.Voix_Enregistrer);
    EXPECT_EQ(recorder.events.last(), QStringLiteral("record F3 "));
    // Recording stops by itself at its longest: the helper says it is saved.
    recorder.save(30000);
    EXPECT_EQ(r.Voix_Etat->text(), QStringLiteral("F3 enregistré (30,0 s)."));
}

TEST_F(VoiceRecordingTest, ListeningCanBeStoppedAndAFailureIsOneMessage) {
    VoiceRecording &r = open(&recorder);
    r.Voix_Message->setCurrentIndex(0);
    click(r.Voix_Ecouter);
    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("listen F1")});
    EXPECT_EQ(usable(r), QStringLiteral(".A."));
    EXPECT_EQ(r.Voix_Etat->text(), QStringLiteral("Écoute de F1…"));
    recorder.endListening();
    EXPECT_EQ(usable(r), QStringLiteral("E.É"));
    EXPECT_EQ(r.Voix_Etat->text(), QString());

    click(r.Voix_Enregistrer);
    recorder.giveLevel(80);
    const QString cause = QStringLiteral("Impossible d'enregistrer le fichier \"F1.wav\" : le "
                                         "disque est plein.");
    recorder.fail(cause);
    QCoreApplication::processEvents(); // the message waits for the recorder's signal to end
    EXPECT_EQ(dialogs.texts(), QStringList{cause});
    EXPECT_EQ(usable(r), QStringLiteral("E.É"));
    EXPECT_EQ(r.Voix_Niveau->accessibleName(), QStringLiteral("Niveau : 0 %"));

    // The window closed while it records: what was said so far is kept (the recorder stops).
    click(r.Voix_Enregistrer);
    window.reset();
    EXPECT_EQ(recorder.events.last(), QStringLiteral("stop"));
}

TEST_F(VoiceRecordingTest, WithoutASoundHelperTheButtonsCannotBeUsed) {
    VoiceRecording &r = open(nullptr);
    EXPECT_EQ(usable(r), QStringLiteral("..."));
    EXPECT_FALSE(r.Voix_Etat->text().isEmpty());
    // The rest of the window works as before.
    QTest::mouseClick(window->Enregistrer, Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(settings.read(keys::voixPtt, QString()), QStringLiteral("0"));
}
