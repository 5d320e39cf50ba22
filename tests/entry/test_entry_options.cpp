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
    EXPECT_TRUE(window->clockTimer->isActive());
    EXPECT_EQ(window->clockTimer->interval(), 1000);
    EXPECT_EQ(window->utcClockLabel->text(), QStringLiteral("14:07 Utc"));
    EXPECT_EQ(window->localClockLabel->text(), QStringLiteral("15:07 Loc"));
    EXPECT_EQ(window->clockDateLabel->text(), QStringLiteral("07/12/26"));
    EXPECT_TRUE(window->utcClockLabel->isEnabled());
    EXPECT_FALSE(window->localClockLabel->isEnabled());
    EXPECT_TRUE(window->utcClockItem->isChecked());

    clock.setUtc(QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59), Qt::UTC));
    window->localClockItem->trigger();
    EXPECT_FALSE(window->utcClockItem->isChecked());
    EXPECT_FALSE(window->utcClockLabel->isEnabled());
    EXPECT_TRUE(window->localClockLabel->isEnabled());
    EXPECT_EQ(window->clockDateLabel->text(), QStringLiteral("08/12/26"));
    EXPECT_EQ(window->state().clockDate, QStringLiteral("08/12/26"));

    // The reference choice holds the clock while it is open.
    window->stopClock();
    EXPECT_FALSE(window->clockTimer->isActive());
    window->startClock();
    EXPECT_TRUE(window->clockTimer->isActive());
}

TEST_F(EntryOptions, CheckMarksComeBackFromTheSettingsAndAreStored) {
    settings.writeBool(keys::heureUtc, false);
    settings.writeBool(keys::dateAuto, true);
    settings.writeBool(keys::modeRefrappe, true);
    open();
    EXPECT_TRUE(window->localClockItem->isChecked());
    EXPECT_TRUE(window->separatorsOnItem->isChecked());
    EXPECT_FALSE(window->separatorsOffItem->isChecked());
    EXPECT_TRUE(window->retypeOnItem->isChecked());
    EXPECT_TRUE(window->deferredOffItem->isChecked()); // deferred entry is never stored

    window->separatorsOffItem->trigger();
    window->retypeOffItem->trigger();
    window->utcClockItem->trigger();
    EXPECT_EQ(settings.read(keys::dateAuto, {}), QStringLiteral("False"));
    EXPECT_EQ(settings.read(keys::modeRefrappe, {}), QStringLiteral("False"));
    EXPECT_EQ(settings.read(keys::heureUtc, {}), QStringLiteral("True"));
    EXPECT_FALSE(window->retypeOnItem->isChecked());

    EXPECT_EQ(window->setupMenu->title(), QStringLiteral("Setup"));
    EXPECT_EQ(window->separatorsMenu->title(),
              QStringLiteral("Insertion de \"/\" et \":\" en automatique"));
    EXPECT_EQ(window->deferredMenu->title(), QStringLiteral("Saisie differée"));
    EXPECT_EQ(window->localClockItem->text(), QStringLiteral("Heure Locale"));
}

TEST_F(EntryOptions, AutomaticSeparatorsBuildTheDateAndTimeFromDigits) {
    settings.writeBool(keys::dateAuto, true);
    open();
    window->deferredOnItem->trigger();
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

    window->separatorsOffItem->trigger();
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

    window->retypeOnItem->trigger();
    window->QRKR_Q->setText(QStringLiteral("59"));
    window->state().retypeCleared = false;
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
    window->state().correcting = true;
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
    window->deferredOnItem->trigger();
    EXPECT_TRUE(window->deferredOnItem->isChecked());
    EXPECT_TRUE(window->dateCaption->isVisible());
    EXPECT_TRUE(window->Heure_Q->isVisible());
    window->Date_Q->setText(QStringLiteral("12/03/09"));
    window->Heure_Q->setText(QStringLiteral("14:05"));
    window->deferredOffItem->trigger();
    EXPECT_TRUE(window->Date_Q->text().isEmpty());
    EXPECT_TRUE(window->Heure_Q->text().isEmpty());
    EXPECT_FALSE(window->timeCaption->isVisible());
    EXPECT_TRUE(settings.writtenKeys().filter(QStringLiteral("Diff")).isEmpty());
}
