// The entry window and the radio: the "Poste" line, the band and mode boxes that follow the
// dial (but not a QSO being corrected, inserted or typed from paper), the hand that can still
// change a box, the frequency kept with each QSO through every change of the log, the link
// window opened from "Setup", and the same with a real rigctld killed and started again.

#include "EntryWindowFixture.h"

#include "core/log/QsoFrequencies.h"
#include "platform/HelperRig.h"
#include "platform/ScriptedRig.h"
#include "setup/Liaison_Poste.h"
#include "support/Rigctld.h"
#include "support/TryWait.h"

#include <QAction>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>

using namespace zep;

namespace {

class Radio : public zep::testing::EntryWindowTest {
protected:
    Saisie_QSO &openWithRadio(RigControl &r) {
        Saisie_QSO &w = open();
        w.attachRig(r);
        return w;
    }
    /// The frequency kept with each line of the log, in order (0 for none).
    QList<qint64> kept() const {
        const QsoFrequencies::Reading reading = QsoFrequencies(logFile()).read();
        QList<qint64> all;
        for (const QString &line : logLines())
            all.append(reading.of(line).value_or(0));
        return all;
    }
    void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void enterToValidation() {
        for (int i = 0; i < 12 && focusName() != QLatin1String("Valide_Q"); ++i)
            enter();
        ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
        press(Qt::Key_Space);
    }
    QString boxes() const {
        return window->Bande_Q->currentText() + QLatin1Char(' ') + window->Mode_Q->currentText();
    }

    ScriptedRig rig;
};

} // namespace

TEST_F(Radio, TheLineShowsTheRadioAndTheBoxesFollowItsDial) {
    Saisie_QSO &w = openWithRadio(rig);
    ASSERT_EQ(rig.followed.size(), 1);
    EXPECT_EQ(rig.followed.at(0).kind, RigLink::Kind::None) << "nothing set up yet";
    auto *line = child<QLabel>(QStringLiteral("Poste"));
    ASSERT_EQ(line, w.radioLine);
    EXPECT_EQ(line->accessibleName(), QStringLiteral("Poste"));
    EXPECT_FALSE(line->isVisible()) << "no radio, no line";

    const struct {
        qint64 hz;
        const char *mode;
        const char *line;
        const char *boxes;
        const char *reports;
    } steps[] = {
        {14'285'000, "USB", "Poste : 14 285,00 kHz USB", "14 SSB", "59"},
        {7'030'000, "CW", "Poste : 7 030,00 kHz CW", "7 CW", "599"},
        {3'650'000, "LSB", "Poste : 3 650,00 kHz LSB", "3.5 SSB", "59"},
        {145'500'000, "FM", "Poste : 145 500,00 kHz FM", "144 FM", "59"},
        {5'357'000, "CWR", "Poste : 5 357,00 kHz CWR hors bande", "144 CW", "599"},
        {28'074'000, "PKTUSB", "Poste : 28 074,00 kHz PKTUSB", "28 CW", "599"},
    };
    for (const auto &s : steps) {
        rig.answer(s.hz, QString::fromLatin1(s.mode));
        EXPECT_EQ(line->text(), QString::fromLatin1(s.line));
        EXPECT_TRUE(line->isVisible() && line->isEnabled()) << s.line;
        EXPECT_EQ(boxes(), QString::fromLatin1(s.boxes)) << s.line;
        EXPECT_EQ(w.QRKR_Q->text(), QString::fromLatin1(s.reports)) << s.line;
    }
    EXPECT_EQ(settings.readInt(keys::bandeActivite, -1), 8) << "the band chosen is remembered";

    rig.fallSilent();
    EXPECT_EQ(line->text(), QStringLiteral("Poste : pas de réponse"));
    EXPECT_TRUE(line->isVisible());
    EXPECT_FALSE(line->isEnabled()) << "grey while the radio is silent";
    EXPECT_EQ(boxes(), QStringLiteral("28 CW"));
    rig.follow(RigLink{});
    EXPECT_FALSE(line->isVisible());
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(Radio, AHandChangeStaysUntilTheRadioChangesAndCorrectionsOrPaperEntryAreLeftAlone) {
    Saisie_QSO &w = openWithRadio(rig);
    rig.answer(14'285'000, QStringLiteral("USB"));
    w.Bande_Q->setCurrentIndex(w.Bande_Q->findText(QStringLiteral("21")));
    w.Mode_Q->setCurrentIndex(w.Mode_Q->findText(QStringLiteral("CW")));
    rig.answer(14'290'000, QStringLiteral("USB")); // the same band and mode, turned a little
    EXPECT_EQ(boxes(), QStringLiteral("21 CW"));
    rig.answer(7'090'000, QStringLiteral("USB"));
    EXPECT_EQ(boxes(), QStringLiteral("7 CW")) << "the band changed, the mode did not";
    rig.answer(7'020'000, QStringLiteral("CW"));
    rig.answer(7'090'000, QStringLiteral("LSB"));
    EXPECT_EQ(boxes(), QStringLiteral("7 SSB"));

    // Deferred entry: the QSOs of a paper log have their own bands.
    w.deferredOnItem->trigger();
    rig.answer(14'200'000, QStringLiteral("CW"));
    EXPECT_EQ(boxes(), QStringLiteral("7 SSB"));
    EXPECT_EQ(w.radioLine->text(), QStringLiteral("Poste : 14 200,00 kHz CW"));
    w.deferredOffItem->trigger();
    rig.answer(14'200'000, QStringLiteral("CW")); // the next reading after it
    EXPECT_EQ(boxes(), QStringLiteral("14 CW"));

    // A correction shows its QSO's band and mode whatever the radio does.
    logQso(QStringLiteral("DL1ABC"));
    click(w.Edite_QSO);
    ASSERT_TRUE(w.state().correcting);
    rig.answer(21'200'000, QStringLiteral("USB"));
    EXPECT_EQ(boxes(), QStringLiteral("14 CW"));
    click(w.Annule_Q);
    // Insertion of a forgotten QSO, likewise.
    click(w.Ajout_QSO);
    rig.answer(3'700'000, QStringLiteral("LSB"));
    EXPECT_EQ(boxes(), QStringLiteral("14 CW"));
    click(w.Annule_Q);
    rig.answer(3'700'000, QStringLiteral("LSB"));
    EXPECT_EQ(boxes(), QStringLiteral("3.5 SSB"));
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(Radio, TheFrequencyOfALiveQsoStaysWithItThroughEveryChangeOfTheLog) {
    Saisie_QSO &w = openWithRadio(rig);
    rig.answer(14'285'000, QStringLiteral("USB"));
    logQso(QStringLiteral("DL1ABC"));
    rig.answer(7'012'500, QStringLiteral("CW"));
    logQso(QStringLiteral("G4XYZ"));
    rig.fallSilent();
    logQso(QStringLiteral("EA3AAA")); // no answer from the radio: no frequency
    rig.answer(7'013'000, QStringLiteral("CW"));
    // The box set by hand to a band the radio is not on: the radio's frequency is not this
    // QSO's.
    w.Bande_Q->setCurrentIndex(w.Bande_Q->findText(QStringLiteral("10")));
    logQso(QStringLiteral("OK1BBB"));
    ASSERT_EQ(logLines().size(), 4);
    EXPECT_EQ(kept(), (QList<qint64>{14'285'000, 7'012'500, 0, 0}));

    // A correction of the second QSO keeps its frequency on the corrected line.
    w.Liste_QSO->setCurrentRow(1);
    click(w.Edite_QSO);
    ASSERT_EQ(w.Indi_Q->text(), QStringLiteral("G4XYZ"));
    replaceAndEnter(QStringLiteral("G4XYY"));
    enterToValidation();
    ASSERT_TRUE(logLines().at(1).contains(QStringLiteral("G4XYY")));
    EXPECT_EQ(kept(), (QList<qint64>{14'285'000, 7'012'500, 0, 0}));

    // An earlier QSO inserted before them all moves the lines, not the frequencies.
    click(w.Ajout_QSO);
    field(QStringLiteral("ON4XYZ"));
    enter();
    enter();
    enter();
    field(QString());
    ASSERT_EQ(focusName(), QStringLiteral("Date_Q"));
    replaceAndEnter(QStringLiteral("07/12/26"));
    replaceAndEnter(QStringLiteral("09:30"));
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 5);
    EXPECT_TRUE(logLines().at(0).contains(QStringLiteral("ON4XYZ")));
    EXPECT_EQ(kept(), (QList<qint64>{0, 14'285'000, 7'012'500, 0, 0}));

    // Deleted, then restored: the frequency goes and comes back with its QSO.
    w.Liste_QSO->setCurrentRow(1);
    click(w.Efface_QSO);
    EXPECT_EQ(kept(), (QList<qint64>{0, 7'012'500, 0, 0}));
    click(w.Recupere);
    EXPECT_EQ(kept(), (QList<qint64>{0, 14'285'000, 7'012'500, 0, 0}));

    // Deferred entry: a QSO typed from paper has no frequency of the radio's now.
    w.deferredOnItem->trigger();
    w.Bande_Q->setCurrentIndex(w.Bande_Q->findText(QStringLiteral("7")));
    w.Indi_Q->setFocus(); // as the operator clicks into the call sign after the restore
    field(QStringLiteral("HB9CCC"));
    enter();
    enter();
    enter();
    field(QString());
    replaceAndEnter(QStringLiteral("07/12/26"));
    replaceAndEnter(QStringLiteral("14:20"));
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 6);
    EXPECT_EQ(kept(), (QList<qint64>{0, 14'285'000, 7'012'500, 0, 0, 0}));
    EXPECT_EQ(dialogs.texts().size(), 2) << "the deletion and restore questions only";
}

TEST_F(Radio, SetupMenuOpensTheLinkWindowAndItsChoiceIsFollowed) {
    Saisie_QSO &w = openWithRadio(rig);
    EXPECT_EQ(w.radioLinkItem->text(), QStringLiteral("Poste (CAT)…"));
    EXPECT_TRUE(w.setupMenu->actions().contains(w.radioLinkItem));
    w.radioLinkItem->trigger();
    auto *link = w.findChild<Liaison_Poste *>();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->windowTitle(), QStringLiteral("Liaison avec le poste"));
    link->Reseau->setChecked(true);
    link->Port->setValue(4600);
    QTest::mouseClick(link->Enregistrer, Qt::LeftButton);
    ASSERT_EQ(rig.followed.size(), 2);
    EXPECT_EQ(rig.followed.last().kind, RigLink::Kind::Rigctld);
    EXPECT_EQ(rig.followed.last().port, 4600);
    EXPECT_EQ(settings.read(keys::catLiaison, {}), QStringLiteral("1"));
    EXPECT_EQ(settings.read(keys::catPort, {}), QStringLiteral("4600"));
}

TEST_F(Radio, ARealRigctldIsFollowedAndALostLinkGreysTheLineThenComesBack) {
    if (!zep::testing::Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    zep::testing::Rigctld daemon;
    ASSERT_TRUE(daemon.start());
    settings.writeInt(keys::catLiaison, 1);
    settings.writeInt(keys::catPort, daemon.port());
    HelperRig hamlib(QStringLiteral(ZEP_POSTE_PROGRAM));
    Saisie_QSO &w = openWithRadio(hamlib);
    ZEP_TRY_VERIFY(w.radioLine->isVisible() && w.radioLine->isEnabled(), 3000);

    ASSERT_TRUE(daemon.rigctl({QStringLiteral("F"), QStringLiteral("14285000")}));
    ASSERT_TRUE(
        daemon.rigctl({QStringLiteral("M"), QStringLiteral("USB"), QStringLiteral("2400")}));
    ZEP_TRY_COMPARE(w.radioLine->text(), QStringLiteral("Poste : 14 285,00 kHz USB"), 3000);
    EXPECT_EQ(boxes(), QStringLiteral("14 SSB"));
    ASSERT_TRUE(daemon.rigctl({QStringLiteral("F"), QStringLiteral("7030000")}));
    ASSERT_TRUE(daemon.rigctl({QStringLiteral("M"), QStringLiteral("CW"), QStringLiteral("500")}));
    ZEP_TRY_COMPARE(boxes(), QStringLiteral("7 CW"), 3000);

    daemon.kill();
    ZEP_TRY_COMPARE(w.radioLine->text(), QStringLiteral("Poste : pas de réponse"), 2000);
    EXPECT_FALSE(w.radioLine->isEnabled());
    ASSERT_TRUE(daemon.start());
    // The dummy radio starts again on 145 MHz FM.
    ZEP_TRY_COMPARE(w.radioLine->text(), QStringLiteral("Poste : 145 000,00 kHz FM"), 8000);
    EXPECT_TRUE(w.radioLine->isEnabled());
    EXPECT_EQ(boxes(), QStringLiteral("144 FM"));
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
}
