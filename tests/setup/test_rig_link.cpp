// "Liaison avec le poste": what it shows from the settings, the model list from Hamlib and its
// search, "Tester" reading the dummy radio off the window's thread, and what it saves.

#include "platform/HelperRig.h"
#include "platform/ScriptedRig.h"
#include "setup/Liaison_Poste.h"
#include "support/TryWait.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace zep;

TEST(RigLinkWindow, ShowsTheSettingsEnablesWhatTheKindNeedsAndSavesTheChoice) {
    MemorySettingsStore settings;
    settings.writeInt(keys::catLiaison, 2);
    settings.writeInt(keys::catModele, 3073);
    settings.write(keys::catPeripherique, QStringLiteral("/dev/ttyUSB3"));
    settings.writeInt(keys::catVitesse, 19200);
    ScriptedRig rig;
    rig.models = {{1, "Hamlib", "Dummy"},
                  {3073, "Icom", "IC-7300"},
                  {3085, "Icom", "IC-705"},
                  {1035, "Yaesu", "FT-991"}};
    Liaison_Poste w(settings, rig);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Liaison avec le poste"));
    EXPECT_TRUE(w.Direct->isChecked());
    EXPECT_EQ(w.Modele->currentText(), QStringLiteral("Icom IC-7300 (3073)"));
    EXPECT_EQ(w.Peripherique->currentText(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(w.Vitesse->currentText(), QStringLiteral("19200"));
    EXPECT_FALSE(w.Hote->isEnabled());
    EXPECT_TRUE(w.Modele->isEnabled());

    // The search keeps the models whose maker and name hold every word typed.
    QTest::keyClicks(w.Recherche_Modele, QStringLiteral("icom ic-7"));
    QStringList shown;
    for (int i = 0; i < w.Modele->count(); ++i)
        shown.append(w.Modele->itemText(i));
    EXPECT_EQ(shown, (QStringList{"Icom IC-7300 (3073)", "Icom IC-705 (3085)"}));
    w.Recherche_Modele->setText(QStringLiteral("yaesu"));
    EXPECT_EQ(w.Modele->currentText(), QStringLiteral("Yaesu FT-991 (1035)"));

    // Combo boxes are announced by their captions.
    EXPECT_EQ(w.Modele->accessibleName(), QStringLiteral("Modèle"));
    EXPECT_EQ(w.Peripherique->lineEdit()->accessibleName(), QStringLiteral("Port série"));
    EXPECT_EQ(w.Vitesse->accessibleName(), QStringLiteral("Vitesse"));

    w.Reseau->setChecked(true);
    EXPECT_TRUE(w.Hote->isEnabled() && w.Port->isEnabled());
    EXPECT_FALSE(w.Modele->isEnabled());
    EXPECT_EQ(w.Hote->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(w.Port->value(), 4532);
    w.Hote->setText(QStringLiteral("192.0.2.7"));
    w.Aucune->setChecked(true);
    EXPECT_FALSE(w.Tester->isEnabled());
    w.Direct->setChecked(true);
    QTest::mouseClick(w.Enregistrer, Qt::LeftButton);
    ASSERT_EQ(rig.followed.size(), 1);
    const RigLink saved = RigLink::load(settings);
    EXPECT_EQ(rig.followed.at(0), saved);
    EXPECT_EQ(saved.kind, RigLink::Kind::Direct);
    EXPECT_EQ(saved.model, 1035);
    EXPECT_EQ(saved.host, QStringLiteral("192.0.2.7"));
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(RigLinkWindow, TesterReadsTheDummyRadioThroughHamlibAndSaysWhyALinkFails) {
    MemorySettingsStore settings;
    HelperRig rig(QStringLiteral(ZEP_POSTE_PROGRAM));
    Liaison_Poste w(settings, rig);
    // Hamlib's own list arrives from its thread, the dummy radio in it.
    ZEP_TRY_VERIFY(w.Modele->findText(QStringLiteral("Hamlib Dummy (1)")) >= 0, 5000);
    w.Direct->setChecked(true);
    w.Modele->setCurrentIndex(w.Modele->findText(QStringLiteral("Hamlib Dummy (1)")));
    QTest::mouseClick(w.Tester, Qt::LeftButton);
    ZEP_TRY_COMPARE(w.Resultat->text(), QStringLiteral("145 000,00 kHz FM"), 3000);

    w.Reseau->setChecked(true);
    w.Port->setValue(1); // nothing listens there
    QTest::mouseClick(w.Tester, Qt::LeftButton);
    ZEP_TRY_VERIFY(w.Resultat->text().startsWith(QStringLiteral("Échec : ")), 3000);
    EXPECT_FALSE(w.Resultat->text().contains(QStringLiteral("Hamlib"))) << "no rigerror text";
    QTest::mouseClick(w.Annuler, Qt::LeftButton);
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(settings.contains(keys::catLiaison)) << "nothing saved on Annuler";
}
