// The entry window's clock and the options of its "Setup" menu: clock choice, automatic date
// and time separators, deferred entry and the retype option.

#include "EntryWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

using namespace zep;
using zep::testing::EntryWindowTest;

using EntryOptions = EntryWindowTest;

TEST_F(EntryOptions, TheClockShowsBothTimesAndEnablesTheChosenOne) {
    open();
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(window->Timer1->interval(), 1000);
    EXPECT_EQ(window->Label37->text(), QStringLiteral("14:07 Utc"));
    EXPECT_EQ(window->Label34->text(), QStringLiteral("15:07 Loc"));
    EXPECT_EQ(window->Label33->text(), QStringLiteral("07/12/26"));
    EXPECT_TRUE(window->Label37->isEnabled());
    EXPECT_FALSE(window->Label34->isEnabled());
    EXPECT_TRUE(window->Mnu_UTC_Oui->isChecked());

    clock.setUtc(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59), Qt::UTC));
    window->Mnu_UTC_Non->trigger();
    EXPECT_FALSE(window->Mnu_UTC_Oui->isChecked());
    EXPECT_FALSE(window->Label37->isEnabled());
    EXPECT_TRUE(window->Label34->isEnabled());
    EXPECT_EQ(window->Label33->text(), QStringLiteral("08/12/26"));
    EXPECT_EQ(window->state().dateCourante, QStringLiteral("08/12/26"));

    // The reference choice holds the clock while it is open.
    window->stopClock();
    EXPECT_FALSE(window->Timer1->isActive());
    window->startClock();
    EXPECT_TRUE(window->Timer1->isActive());
}

TEST_F(EntryOptions, CheckMarksComeBackFromTheSettingsAndAreStored) {
    settings.writeBool(keys::heureUtc, false);
    settings.writeBool(keys::dateAuto, true);
    settings.writeBool(keys::modeRefrappe, true);
    open();
    EXPECT_TRUE(window->Mnu_UTC_Non->isChecked());
    EXPECT_TRUE(window->Mnu_Date_Auto_Oui->isChecked());
    EXPECT_FALSE(window->Mnu_Date_Auto_Non->isChecked());
    EXPECT_TRUE(window->Mnu_Refrappe_Oui->isChecked());
    EXPECT_TRUE(window->Mnu_Diff_Non->isChecked()); // deferred entry is never stored

    window->Mnu_Date_Auto_Non->trigger();
    window->Mnu_Refrappe_Non->trigger();
    window->Mnu_UTC_Oui->trigger();
    EXPECT_EQ(settings.read(keys::dateAuto, {}), QStringLiteral("False"));
    EXPECT_EQ(settings.read(keys::modeRefrappe, {}), QStringLiteral("False"));
    EXPECT_EQ(settings.read(keys::heureUtc, {}), QStringLiteral("True"));
    EXPECT_FALSE(window->Mnu_Refrappe_Oui->isChecked());

    EXPECT_EQ(window->Mnu_Setup->title(), QStringLiteral("Setup"));
    EXPECT_EQ(window->Mnu_Date_Auto->title(),
              QStringLiteral("Insertion de \"/\" et \":\" en automatique"));
    EXPECT_EQ(window->Mnu_Differee->title(), QStringLiteral("Saisie differée"));
    EXPECT_EQ(window->Mnu_UTC_Non->text(), QStringLiteral("Heure Locale"));
}

TEST_F(EntryOptions, AutomaticSeparatorsBuildTheDateAndTimeFromDigits) {
    settings.writeBool(keys::dateAuto, true);
    open();
    window->Mnu_Diff_Oui->trigger();
    field(QStringLiteral("G3ABC"));
    enter();
    enter();
    enter();
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Date_Q"));
    type(QStringLiteral("120309"));
    EXPECT_EQ(window->Date_Q->text(), QStringLiteral("12/03/09"));
    enter();
    type(QStringLiteral("1405"));
    EXPECT_EQ(window->Heure_Q->text(), QStringLiteral("14:05"));

    window->Mnu_Date_Auto_Non->trigger();
    window->Date_Q->setFocus();
    window->Date_Q->clear();
    type(QStringLiteral("120309"));
    EXPECT_EQ(window->Date_Q->text(), QStringLiteral("120309"));
}

TEST_F(EntryOptions, RetypeReplacesTheDefaultReportsOfANewQso) {
    open();
    field(QStringLiteral("G3ABC"));
    enter();
    type(QStringLiteral("57"));
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("5957")); // without the option

    window->Mnu_Refrappe_Oui->trigger();
    window->QRKR_Q->setText(QStringLiteral("59"));
    window->state().champEfface = false;
    type(QStringLiteral("57"));
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("57"));
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("QRKE_Q"));
    // Shift alone already starts the new content; the next keys edit it normally.
    press(Qt::Key_Shift);
    EXPECT_TRUE(window->QRKE_Q->text().isEmpty());
    type(QStringLiteral("55"));
    EXPECT_EQ(window->QRKE_Q->text(), QStringLiteral("55"));
    enter();
    // Outside edit mode the other fields keep what they hold.
    window->Observation_Q->setText(QStringLiteral("QRP"));
    type(QStringLiteral(" 5W"));
    EXPECT_EQ(window->Observation_Q->text(), QStringLiteral("QRP 5W"));
    enter();
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_EQ(logLines()[0].mid(52, 8), QStringLiteral("57  55  "));

    // A quick validation key never empties a report: the QSO goes with its 59.
    window->QRKR_Q->setText(QStringLiteral("59"));
    field(QStringLiteral("DL1XX"));
    enter();
    press(Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines()[1].mid(52, 4), QStringLiteral("59  "));
}

TEST_F(EntryOptions, RetypeInEditModeKeepsAValueConfirmedAtOnce) {
    settings.writeBool(keys::modeRefrappe, true);
    open();
    window->state().modeEdition = true;
    window->Date_Q->show();
    window->Heure_Q->show();
    window->Indi_Q->setText(QStringLiteral("F5BBB"));
    window->Dpt_Q->setText(QStringLiteral("13"));
    window->Prenom_Q->setText(QStringLiteral("Marc"));
    window->Indi_Q->setFocus();
    press(Qt::Key_Shift); // not a character: the call sign stays
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F5BBB"));
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    enter();
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("13"));
    ASSERT_EQ(focusName(), QStringLiteral("Prenom_Q"));
    type(QStringLiteral("Luc"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Luc"));
}

TEST_F(EntryOptions, DeferredEntryShowsAndEmptiesTheDateAndTime) {
    open();
    window->Mnu_Diff_Oui->trigger();
    EXPECT_TRUE(window->Mnu_Diff_Oui->isChecked());
    EXPECT_TRUE(window->Label10->isVisible());
    EXPECT_TRUE(window->Heure_Q->isVisible());
    window->Date_Q->setText(QStringLiteral("12/03/09"));
    window->Heure_Q->setText(QStringLiteral("14:05"));
    window->Mnu_Diff_Non->trigger();
    EXPECT_TRUE(window->Date_Q->text().isEmpty());
    EXPECT_TRUE(window->Heure_Q->text().isEmpty());
    EXPECT_FALSE(window->Label6->isVisible());
    EXPECT_TRUE(settings.writtenKeys().filter(QStringLiteral("Diff")).isEmpty());
}
