#include "LabelsFixture.h"

#include "core/io/Clock.h"
#include "entry/Saisie_QSO.h"
#include "labels/Etiquettes.h"
#include "labels/LabelMenus.h"
#include "labels/LabelPrinting.h"
#include "labels/Select_QSO.h"
#include "labels/SelectionEntry.h"
#include "support/MenuItems.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace zep;
using zep::testing::logLine;

namespace {

// --- The selection entry -------------------------------------------------------------------

TEST(SelectionEntry, MovesDateAndTimeAfterTheLogFromItsCallSign) {
    const QString line =
        logLine("05/03/24", "09:07", "EA3/F5ABC/PM", "2A", "CW", "14", "Hélène", "PORTABLE");
    ASSERT_EQ(line.size(), 104);
    const QString entry = *selectionEntry(line);
    EXPECT_EQ(entry.size(), selcol::entryLength);
    EXPECT_EQ(entry.left(5), "     ");
    EXPECT_EQ(entry.mid(5, 58), line.mid(17, 58)) << "log columns 18-75 at entry columns 6-63";
    EXPECT_EQ(entry.mid(63, 1), " ");
    EXPECT_EQ(entry.mid(64), line.left(15));

    // The columns the label printing cuts its fields from.
    struct Field {
        int column, width;
        const char *expected;
    };
    const Field fields[] = {
        {selcol::call, selcol::callWidth, "EA3/F5ABC/PM"},
        {selcol::department, selcol::departmentWidth, "2A"},
        {selcol::firstName, selcol::firstNameWidth, "Hélène"},
        {selcol::report, selcol::reportWidth, "599"},
        {selcol::reportSent, selcol::reportWidth, "599"},
        {selcol::mode, selcol::modeWidth, "CW"},
        {selcol::band, selcol::bandWidth, "14"},
        {selcol::band, selcol::bandWithUnitWidth, "14 Mhz"},
        {63, 1, "P"}, // first character of the remarks
        {selcol::date, selcol::dateWidth, "05/03/24"},
        {selcol::time, selcol::timeWidth, "09:07"},
    };
    for (const Field &f : fields)
        EXPECT_EQ(selectionField(entry, f.column, f.width), QString::fromUtf8(f.expected))
            << "column " << f.column;
}

TEST(SelectionEntry, ShortLines) {
    // Under 18 characters there is no call sign: no entry. A line cut after its call sign
    // keeps its date and time at the end of the entry.
    EXPECT_FALSE(selectionEntry(QString()).has_value());
    EXPECT_FALSE(selectionEntry(QStringLiteral("05/03/24  09:07  ")).has_value());
    const std::optional<QString> cut = selectionEntry(QStringLiteral("05/03/24  09:07  F5ABC"));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->size(), selcol::entryLength);
    EXPECT_EQ(selectionField(*cut, selcol::call, selcol::callWidth), "F5ABC");
    EXPECT_EQ(selectionField(*cut, selcol::date, selcol::dateWidth), "05/03/24");
    EXPECT_EQ(selectionField(*cut, selcol::time, selcol::timeWidth), "09:07");
}

TEST(SelectionEntry, SortedByCallSignThenByTheRestOfTheEntry) {
    const QString a = logLine("01/01/24", "10:00", "f5xyz", "", "SSB", "7");
    const QString b = logLine("01/01/24", "10:01", "DL1AB", "", "SSB", "7");
    const QString c = logLine("02/01/24", "08:00", "F5ABC", "34", "SSB", "7");
    const QString d = logLine("01/01/24", "09:00", "F5ABC", "34", "CW", "7");
    const QString e = logLine("01/01/24", "11:00", "F5ABC", "05", "SSB", "14");
    const QStringList sorted = sortedSelectionEntries({a, b, c, "too short", d, e});
    QStringList calls, dates;
    for (const QString &entry : sorted) {
        calls << selectionField(entry, selcol::call, selcol::callWidth);
        dates << selectionField(entry, selcol::date, selcol::dateWidth) + " " +
                     selectionField(entry, selcol::time, selcol::timeWidth);
    }
    // Same call sign: department 05 before 34; then "59 " before "599"; lower-case call signs
    // sort among the capitals.
    EXPECT_EQ(calls, QStringList({"DL1AB", "F5ABC", "F5ABC", "F5ABC", "f5xyz"}));
    EXPECT_EQ(dates, QStringList({"01/01/24 10:01", "01/01/24 11:00", "02/01/24 08:00",
                                  "01/01/24 09:00", "01/01/24 10:00"}));
}

// --- The selection window ------------------------------------------------------------------

class SelectionWindow : public zep::testing::LabelWindowTest {
protected:
    void TearDown() override {
        if (window)
            window->close();
        opener.reset();
    }

    Select_QSO *open() {
        if (!opener)
            opener = std::make_unique<SelectionWindowOpener>(services);
        window = opener->open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    static QStringList calls(const QListWidget *list) {
        QStringList all;
        for (int i = 0; i < list->count(); ++i)
            all << selectionField(list->item(i)->text(), selcol::call, selcol::callWidth);
        return all;
    }
    void click(QListWidget *list, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Logged in time order, not in call-sign order.
    const QStringList log{
        logLine("01/01/24", "10:00", "ON4XYZ"), logLine("01/01/24", "10:01", "F5ABC", "34"),
        logLine("01/01/24", "10:02", "DL1AB"),  logLine("01/01/24", "10:03", "F5ABC", "05"),
        logLine("01/01/24", "10:04", "EA3AAA"),
    };
    std::unique_ptr<SelectionWindowOpener> opener;
    QPointer<Select_QSO> window;
};

TEST_F(SelectionWindow, OpensOnTheLogInCallSignOrder) {
    writeLog(log);
    Select_QSO *w = open();
    EXPECT_EQ(w->windowTitle(), "Selection QSO");
    EXPECT_EQ(calls(w->Liste_QSO), QStringList({"DL1AB", "EA3AAA", "F5ABC", "F5ABC", "ON4XYZ"}));
    EXPECT_EQ(w->Liste_Imprime->count(), 0);
    EXPECT_EQ(w->Liste_QSO->item(0)->text(), *selectionEntry(log[2]));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(SelectionWindow, ClicksAndKeysMoveEntriesBetweenTheListsInOrder) {
    writeLog(log);
    Select_QSO *w = open();
    click(w->Liste_QSO, 4); // ON4XYZ
    click(w->Liste_QSO, 0); // DL1AB
    EXPECT_EQ(calls(w->Liste_Imprime), QStringList({"DL1AB", "ON4XYZ"}));
    EXPECT_EQ(calls(w->Liste_QSO), QStringList({"EA3AAA", "F5ABC", "F5ABC"}));

    // Enter and Space move the current entry; the arrow keys only move the cursor.
    w->Liste_QSO->setFocus();
    w->Liste_QSO->setCurrentRow(0);
    QTest::keyClick(w->Liste_QSO, Qt::Key_Down);
    EXPECT_EQ(w->Liste_QSO->count(), 3);
    QTest::keyClick(w->Liste_QSO, Qt::Key_Return); // the first F5ABC
    QTest::keyClick(w->Liste_QSO, Qt::Key_Space);  // the next one, now current
    EXPECT_EQ(calls(w->Liste_Imprime), QStringList({"DL1AB", "F5ABC", "F5ABC", "ON4XYZ"}));
    EXPECT_EQ(calls(w->Liste_QSO), QStringList({"EA3AAA"}));

    // Back again: each entry returns to its sorted place.
    click(w->Liste_Imprime, 3);
    w->Liste_Imprime->setFocus();
    w->Liste_Imprime->setCurrentRow(0);
    QTest::keyClick(w->Liste_Imprime, Qt::Key_Enter);
    EXPECT_EQ(calls(w->Liste_QSO), QStringList({"DL1AB", "EA3AAA", "ON4XYZ"}));
    EXPECT_EQ(w->chosenEntries(), QStringList({*selectionEntry(log[3]), *selectionEntry(log[1])}))
        << "department 05 before 34";
}

TEST_F(SelectionWindow, SelectAllKeepsTheOrderAndAnEmptyLogGivesNothing) {
    writeLog(log);
    Select_QSO *w = open();
    click(w->Liste_QSO, 2);
    QTest::mouseClick(w->Select_All, Qt::LeftButton);
    EXPECT_EQ(w->Liste_QSO->count(), 0);
    EXPECT_EQ(calls(w->Liste_Imprime),
              QStringList({"DL1AB", "EA3AAA", "F5ABC", "F5ABC", "ON4XYZ"}));
    QTest::mouseClick(w->Select_All, Qt::LeftButton);
    EXPECT_EQ(w->Liste_Imprime->count(), 5);

    w->close();
    writeLog({});
    w = open();
    QTest::mouseClick(w->Select_All, Qt::LeftButton);
    EXPECT_EQ(w->Liste_QSO->count() + w->Liste_Imprime->count(), 0);
}

TEST_F(SelectionWindow, ReopeningKeepsTheChoiceUntilTheWindowIsClosed) {
    writeLog(log);
    Select_QSO *w = open();
    click(w->Liste_QSO, 0);
    writeLog(log + QStringList{logLine("01/01/24", "10:05", "AA1AA")});
    EXPECT_EQ(open(), w) << "the same window";
    EXPECT_EQ(w->Liste_Imprime->count(), 1);
    EXPECT_EQ(w->Liste_QSO->count(), 4) << "the log is read once per opening";

    w->close();
    QApplication::processEvents();
    w = open();
    EXPECT_EQ(w->Liste_Imprime->count(), 0);
    EXPECT_EQ(calls(w->Liste_QSO).first(), "AA1AA");
}

TEST_F(SelectionWindow, TheDesignerPrintsTheChoiceAsItStandsAndGoesWithTheWindow) {
    writeLog(log);
    Select_QSO *w = open();
    QTest::mouseClick(w->Impression, Qt::LeftButton);
    QPointer<Etiquettes> designer = w->designer();
    ASSERT_TRUE(designer);
    EXPECT_TRUE(designer->isVisible());
    click(w->Liste_QSO, 1);
    click(w->Liste_QSO, 0);
    EXPECT_EQ(w->Impression_Click(), designer.data()) << "one designer at a time";
    EXPECT_EQ(designer->currentRun().entries, w->chosenEntries());
    EXPECT_EQ(designer->currentRun().entries.size(), 2);

    w->close();
    QApplication::processEvents();
    EXPECT_FALSE(designer);
}

TEST_F(SelectionWindow, TheEntryWindowMenuOpensOneSelectionWindow) {
    writeLog(log);
    ManualClock clock;
    Saisie_QSO entry(dir.path(), activation, settings, dialogs, clock);
    connectLabelWindows(entry, services);
    const auto selectionWindows = [] {
        QList<Select_QSO *> all;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *s = qobject_cast<Select_QSO *>(w); s && s->isVisible())
                all << s;
        return all;
    };
    EXPECT_EQ(zep::testing::menuItem(entry, "Mnu_Etiquettes")->text(),
              "Imprimer les étiquettes pour QSL");
    zep::testing::menuItem(entry, "Mnu_Etiquettes")->trigger();
    ASSERT_EQ(selectionWindows().size(), 1);
    EXPECT_EQ(selectionWindows().first()->Liste_QSO->count(), 5);
    zep::testing::menuItem(entry, "Mnu_Etiquettes")->trigger();
    EXPECT_EQ(selectionWindows().size(), 1);
}

} // namespace
