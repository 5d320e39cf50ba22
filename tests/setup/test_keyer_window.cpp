#include "core/io/Dialogs.h"
#include "core/station/KeyerSettings.h"
#include "setup/Messages_Manipulateur.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <memory>

using namespace zep;

namespace {

class KeyerWindowTest : public ::testing::Test {
protected:
    Messages_Manipulateur &open() {
        window = std::make_unique<Messages_Manipulateur>(settings, dialogs);
        window->Form_Load();
        settings.clearLog();
        return *window;
    }
    void TearDown() override {
        if (window)
            window->close();
    }
    static void retype(QLineEdit *field, const QString &text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<Messages_Manipulateur> window;
};

} // namespace

TEST_F(KeyerWindowTest, ShowsTheMessagesAnActivatorStartsWithAndSavesWhatIsTyped) {
    Messages_Manipulateur &w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Messages et manipulateur"));
    EXPECT_EQ(w.Message_F[0]->text(),
              QStringLiteral("CQ {REFERENCE} DE {MONINDICATIF} {MONINDICATIF} K"));
    EXPECT_EQ(w.Message_F[1]->text(), QStringLiteral("{INDICATIF} {RST} {RST}"));
    EXPECT_EQ(w.Message_F[2]->text(), QStringLiteral("TU 73"));
    EXPECT_EQ(w.Message_F[3]->text(), QStringLiteral("{MONINDICATIF}"));
    EXPECT_EQ(w.Manipulateur_Vitesse->text(), QStringLiteral("25"));
    EXPECT_EQ(w.CQ_Repetition->text(), QStringLiteral("0"));
    EXPECT_EQ(w.Message_F[2]->accessibleName(), QStringLiteral("F3"));

    // The host and port are cwdaemon's, the serial port the WinKeyer's.
    EXPECT_FALSE(w.Manipulateur_Hote->isEnabled());
    w.Manipulateur_Sortie->setCurrentIndex(2);
    EXPECT_TRUE(w.Manipulateur_Hote->isEnabled());
    EXPECT_TRUE(w.Manipulateur_Port->isEnabled());
    EXPECT_FALSE(w.Manipulateur_Peripherique->isEnabled());

    retype(w.Message_F[2], QStringLiteral("TU {prenom} 73 GL"));
    retype(w.Manipulateur_Hote, QStringLiteral("192.168.1.20"));
    retype(w.Manipulateur_Port, QStringLiteral("6790"));
    retype(w.Manipulateur_Vitesse, QStringLiteral("28"));
    retype(w.CQ_Repetition, QStringLiteral("5"));
    w.Voix_PTT->setCurrentIndex(1);
    QTest::mouseClick(w.Enregistrer, Qt::LeftButton);

    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.last().toStdString();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(settings.read(QStringLiteral("Message F3"), QString()),
              QStringLiteral("TU {prenom} 73 GL"));
    EXPECT_EQ(settings.read(QStringLiteral("Manipulateur Sortie"), QString()), QStringLiteral("2"));
    EXPECT_EQ(settings.read(QStringLiteral("Manipulateur Hote"), QString()),
              QStringLiteral("192.168.1.20"));
    EXPECT_EQ(settings.read(QStringLiteral("Manipulateur Port"), QString()),
              QStringLiteral("6790"));
    EXPECT_EQ(settings.read(QStringLiteral("Manipulateur Vitesse"), QString()),
              QStringLiteral("28"));
    EXPECT_EQ(settings.read(QStringLiteral("CQ Repetition"), QString()), QStringLiteral("5"));
    EXPECT_EQ(settings.read(QStringLiteral("Voix PTT"), QString()), QStringLiteral("1"));

    // Opened again, the window shows what was saved.
    Messages_Manipulateur &again = open();
    EXPECT_EQ(again.Message_F[2]->text(), QStringLiteral("TU {prenom} 73 GL"));
    EXPECT_EQ(again.Manipulateur_Sortie->currentIndex(), 2);
    EXPECT_EQ(again.Manipulateur_Port->text(), QStringLiteral("6790"));
}

TEST_F(KeyerWindowTest, ARefusedValueIsOneFrenchMessageAndNothingIsSaved) {
    struct Case {
        int output;
        QLineEdit *Messages_Manipulateur::*field;
        int message; // the message field when `field` is null
        const char *typed;
        const char *said;
    };
    const Case cases[] = {
        {0, nullptr, 4, "TU {NOM}", "F5 : Le champ {NOM} n'existe pas."},
        {0, nullptr, 1, "CQ # TEST", "F2 : Le caractère « # » ne se transmet pas en CW."},
        {2, &Messages_Manipulateur::Manipulateur_Port, 0, "0",
         "Le port de cwdaemon doit être un nombre de 1 à 65535."},
        {2, &Messages_Manipulateur::Manipulateur_Hote, 0, "mon hote",
         "L'hôte de cwdaemon n'est pas un nom ou une adresse valable."},
        {3, &Messages_Manipulateur::Manipulateur_Peripherique, 0, "COM3",
         "Le port du WinKeyer doit être un périphérique série (par exemple /dev/ttyUSB0)."},
        {0, &Messages_Manipulateur::Manipulateur_Vitesse, 0, "99",
         "La vitesse doit être un nombre de 5 à 60 mots par minute."},
        {0, &Messages_Manipulateur::CQ_Repetition, 0, "x",
         "La répétition du CQ doit être un nombre de secondes de 0 (pas de répétition) à 600."},
    };
    for (const Case &c : cases) {
        dialogs.clear();
        Messages_Manipulateur &w = open();
        w.Manipulateur_Sortie->setCurrentIndex(c.output);
        QLineEdit *field = c.field ? w.*(c.field) : w.Message_F[c.message];
        retype(field, QString::fromUtf8(c.typed));
        EXPECT_FALSE(w.Enregistrer_Click()) << c.typed;
        ASSERT_EQ(dialogs.texts().size(), 1) << c.typed;
        EXPECT_TRUE(dialogs.last().startsWith(QString::fromUtf8(c.said)))
            << dialogs.last().toStdString();
        EXPECT_TRUE(settings.writtenKeys().isEmpty()) << c.typed;
        EXPECT_EQ(w.focusWidget(), field) << c.typed;
    }

    // A wrong port matters only to cwdaemon: with no keyer it is not used, and not saved.
    dialogs.clear();
    Messages_Manipulateur &w = open();
    retype(w.Manipulateur_Port, QStringLiteral("0"));
    EXPECT_TRUE(w.Enregistrer_Click());
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(settings.read(QStringLiteral("Manipulateur Port"), QString()),
              QStringLiteral("6789"));
}
