#include "core/io/Dialogs.h"
#include "core/log/QsoLine.h"
#include "platform/QsoList.h"
#include "reports/Recherche_Indicatif.h"
#include "support/QsoLines.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace zep;

namespace {

QString qso(const QString &date, const QString &time, const QString &call, const QString &dpt,
            const QString &mode = QStringLiteral("SSB"),
            const QString &band = QStringLiteral("7")) {
    return zep::testing::qsoLineOf(date, time, call, dpt, {}, mode, band);
}

// A log with call signs holding an F at the start, inside and nowhere, two dates, the
// departments 05, 2A and 2a, and a 12-character call sign.
QStringList sampleLog() {
    return {
        qso("12/02/09", "10:00", "F5ABC", "05"),        // 1
        qso("12/02/09", "10:05", "DL1FAB", ""),         // 2
        qso("12/02/09", "10:07", "ON4XYZ", ""),         // 3
        qso("13/02/09", "08:00", "F6KGL", "2A"),        // 4
        qso("13/02/09", "08:02", "TM5ABC", "2a", "CW"), // 5
        qso("13/02/09", "08:05", "EA3/F5ABC/PM", ""),   // 6, 12 characters
    };
}

class SearchWindow : public ::testing::Test {
protected:
    void SetUp() override {
        entryList.rows().setLines(sampleLog());
        search = std::make_unique<Recherche_Indicatif>(&entryList, dialogs);
        search->Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(search.get()));
    }
    void TearDown() override {
        search.reset();
        entryList.close();
    }

    QStringList results() const {
        QStringList all;
        for (int i = 0; i < search->QSO_Effectues->count(); ++i)
            all.append(search->QSO_Effectues->item(i)->text());
        return all;
    }
    QStringList entries(std::initializer_list<int> rows) const {
        QStringList all;
        for (int row : rows)
            all.append(entryList.itemText(row));
        return all;
    }
    void typeAndEnter(QLineEdit *box, const QString &text) {
        box->setFocus();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void clickBox(QLineEdit *box) { QTest::mouseClick(box, Qt::LeftButton); }
    void boxesAreEmpty() {
        EXPECT_TRUE(search->Indica->text().isEmpty());
        EXPECT_TRUE(search->Data->text().isEmpty());
        EXPECT_TRUE(search->Depa->text().isEmpty());
    }

    QsoList entryList;
    ScriptedDialogs dialogs;
    std::unique_ptr<Recherche_Indicatif> search;
};

TEST_F(SearchWindow, OpensOnTheCallSignCriterionWithItsControls) {
    EXPECT_EQ(search->windowTitle(), QStringLiteral("Recherche QSO"));
    EXPECT_TRUE(search->Option1_1->isChecked());
    EXPECT_EQ(search->findChild<QRadioButton *>("Option1_1")->text(), QStringLiteral("Indicatif"));
    EXPECT_EQ(search->findChild<QRadioButton *>("Option1_2")->text(), QStringLiteral("Date"));
    EXPECT_EQ(search->findChild<QRadioButton *>("Option1_3")->text(), QStringLiteral("Dpt"));
    EXPECT_EQ(search->findChild<QPushButton *>("Command1")->text(), QStringLiteral("Quitter"));
    EXPECT_EQ(QApplication::focusWidget(), search->Indica);
    EXPECT_TRUE(QFontInfo(search->QSO_Effectues->font()).fixedPitch());
    QStringList headings;
    for (const QLabel *label : search->columnLabels)
        headings.append(label->text());
    EXPECT_EQ(headings.join('|'), QStringLiteral("N°|Date|QTR|Indicatif|Dpt|Prenom|  Mode|"
                                                 "RST R      E|Bande|Observations"));
}

TEST_F(SearchWindow, CallSignSearchFindsThePartAnywhereAndKeepsTheListOrder) {
    typeAndEnter(search->Indica, QStringLiteral("f"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(results(), entries({0, 1, 3, 5})); // F at the start, inside, after a prefix
    boxesAreEmpty();

    typeAndEnter(search->Indica, QStringLiteral("f5abc"));
    EXPECT_EQ(results(), entries({0, 5})) << "each search starts from an empty list";

    typeAndEnter(search->Indica, QStringLiteral("EA3/F5ABC/PM"));
    EXPECT_EQ(results(), entries({5})) << "a 12-character call sign is found in full";
}

TEST_F(SearchWindow, EachCriterionFindsItsQsosPastQso9999) {
    // QSOs 9,996 to 10,005 are of the last day, QSO 10,001 has a 12-character call sign and
    // QSOs 9,998 and 10,003 are of department 44: on both sides of QSO 10,000.
    QStringList lines;
    for (int number = 1; number <= 10005; ++number)
        lines.append(qso(number > 9995 ? "14/02/09" : "13/02/09", "10:00",
                         number == 10001 ? "EA3/F5ABC/PM" : "ON4XYZ",
                         number == 9998 || number == 10003 ? "44" : "75"));
    entryList.rows().setLines(lines);
    QList<int> lastDay; // rows, numbered from 0
    for (int row = 9995; row < 10005; ++row)
        lastDay.append(row);
    const struct {
        QLineEdit *box;
        QString text;
        QList<int> rows;
    } cases[] = {
        {search->Data, "14/02/09", lastDay},
        {search->Depa, "44", {9997, 10002}},
        {search->Indica, "EA3/F5ABC/PM", {10000}},
        {search->Indica, "PM", {10000}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        clickBox(c.box);
        typeAndEnter(c.box, c.text);
        QStringList expected;
        for (const int row : c.rows)
            expected.append(entryList.itemText(row));
        EXPECT_EQ(results(), expected);
    }
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(SearchWindow, CallSignBoxChecks) {
    typeAndEnter(search->Indica, QStringLiteral("EA3/F5ABC/PMX"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention 12 caracteres maxi pour l'indicatif"));
    EXPECT_EQ(search->Indica->text(), QStringLiteral("EA3/F5ABC/PMX")) << "kept to be corrected";
    EXPECT_EQ(search->QSO_Effectues->count(), 0);

    search->Indica->clear();
    typeAndEnter(search->Indica, QStringLiteral("  "));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Entrez un indicatif"));
    EXPECT_TRUE(search->Indica->text().isEmpty());
    EXPECT_EQ(dialogs.shown().size(), 2u) << "no search ran after a refusal";
}

TEST_F(SearchWindow, DateSearchNeedsTheSlashesAndMatchesWholeDates) {
    clickBox(search->Data);
    EXPECT_TRUE(search->Option1_2->isChecked()) << "clicking the box selects its criterion";

    typeAndEnter(search->Data, QStringLiteral("1/02/06"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format date doit etre JJ/MM/AA"));
    EXPECT_EQ(search->QSO_Effectues->count(), 0);

    search->Data->clear();
    typeAndEnter(search->Data, QStringLiteral("12/02/2009"));
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Attention 8 caracteres maxi pour la date (format jj/mm/aa)"));

    search->Data->clear();
    dialogs.clear();
    typeAndEnter(search->Data, QStringLiteral("12/02/09"));
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(results(), entries({0, 1, 2}));
    boxesAreEmpty();

    // A slash in the third place only passes the check, then finds nothing.
    typeAndEnter(search->Data, QStringLiteral("12/0209"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Pas de QSO trouvé")});

    search->Data->clear();
    typeAndEnter(search->Data, QString());
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format date doit etre JJ/MM/AA"))
        << "an empty date fails the shape check";
}

TEST_F(SearchWindow, DepartmentSearchComparesExactlyCaseIncluded) {
    QTest::mouseClick(search->Option1_3, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), search->Depa) << "the option hands over to its box";

    typeAndEnter(search->Depa, QStringLiteral("2A"));
    EXPECT_EQ(results(), entries({3}));
    typeAndEnter(search->Depa, QStringLiteral("2a"));
    EXPECT_EQ(results(), entries({4}));
    EXPECT_TRUE(dialogs.shown().empty());

    typeAndEnter(search->Depa, QStringLiteral("5"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Pas de QSO trouvé")});
    EXPECT_EQ(search->QSO_Effectues->count(), 0);
    boxesAreEmpty();

    typeAndEnter(search->Depa, QStringLiteral("050"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention 2 caracteres maxi pour le departement"));
    search->Depa->clear();
    typeAndEnter(search->Depa, QString());
    EXPECT_EQ(dialogs.last(), QStringLiteral("Entrez un departement"));
}

TEST_F(SearchWindow, TheSelectedCriterionDecidesWhateverBoxGetsTheEnter) {
    search->Option1_2->setChecked(true);
    typeAndEnter(search->Indica, QStringLiteral("F5"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Entrez une date")});
    EXPECT_EQ(search->QSO_Effectues->count(), 0);
}

TEST_F(SearchWindow, NothingFoundIsSaidAndEmptiesTheBoxes) {
    typeAndEnter(search->Indica, QStringLiteral("JA1"));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Pas de QSO trouvé")});
    EXPECT_EQ(search->QSO_Effectues->count(), 0);
    boxesAreEmpty();
}

TEST_F(SearchWindow, ClickingAResultChoosesItInTheEntryListAndCloses) {
    QSignalSpy chosen(&entryList, &QsoList::currentRowChanged);
    typeAndEnter(search->Indica, QStringLiteral("F5ABC"));
    ASSERT_EQ(search->QSO_Effectues->count(), 2);
    QListWidgetItem *second = search->QSO_Effectues->item(1);
    QTest::mouseClick(search->QSO_Effectues->viewport(), Qt::LeftButton, {},
                      search->QSO_Effectues->visualItemRect(second).center());
    EXPECT_EQ(entryList.currentRow(), 5);
    ASSERT_FALSE(chosen.isEmpty()) << "the entry window hears the choice";
    EXPECT_EQ(chosen.last().at(0).toInt(), 5);
    EXPECT_FALSE(search->isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(SearchWindow, AResultNoLongerInTheEntryListIsSaidNotChosen) {
    typeAndEnter(search->Indica, QStringLiteral("ON4"));
    ASSERT_EQ(search->QSO_Effectues->count(), 1);
    // The entry window reloaded its list meanwhile: a QSO was inserted before, renumbering it.
    QStringList lines = sampleLog();
    lines.prepend(qso("11/02/09", "09:00", "G3ABC", ""));
    entryList.rows().setLines(lines);
    entryList.setCurrentRow(6);
    search->QSO_Effectues->setCurrentRow(0);
    search->QSO_Effectues->setFocus();
    QTest::keyClick(search->QSO_Effectues, Qt::Key_Return);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Ce QSO n'est plus dans la liste des QSO"));
    EXPECT_EQ(entryList.currentRow(), 6);
}

TEST_F(SearchWindow, AResultCanBePickedWithTheKeyboard) {
    typeAndEnter(search->Indica, QStringLiteral("F"));
    ASSERT_EQ(search->QSO_Effectues->count(), 4);
    search->Indica->setFocus();
    QTest::keyClick(search->Indica, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), search->QSO_Effectues);
    QTest::keyClick(search->QSO_Effectues, Qt::Key_Down);
    QTest::keyClick(search->QSO_Effectues, Qt::Key_Return);
    EXPECT_EQ(entryList.currentRow(), 1);
    EXPECT_FALSE(search->isVisible());

    // Down arrow from a box, then Space.
    search->Form_Load();
    typeAndEnter(search->Indica, QStringLiteral("TM"));
    search->Indica->setFocus();
    QTest::keyClick(search->Indica, Qt::Key_Down);
    QTest::keyClick(search->QSO_Effectues, Qt::Key_Space);
    EXPECT_EQ(entryList.currentRow(), 4);
}

TEST(SearchWindowOpening, ReopeningStartsAFreshSearchAndQuitterCloses) {
    QsoList entryList;
    entryList.rows().setLines(sampleLog());
    ScriptedDialogs dialogs;
    SearchWindowOpener opener(&entryList, dialogs);
    Recherche_Indicatif *first = opener.open();
    first->Option1_3->setChecked(true);
    first->Depa->setText(QStringLiteral("2A"));
    first->Recherche_QSO();
    first->Indica->setText(QStringLiteral("F6"));
    ASSERT_EQ(first->QSO_Effectues->count(), 1);

    Recherche_Indicatif *again = opener.open();
    EXPECT_EQ(again, first) << "one window at a time";
    EXPECT_TRUE(again->Option1_1->isChecked());
    EXPECT_TRUE(again->Indica->text().isEmpty());
    EXPECT_EQ(again->QSO_Effectues->count(), 0);

    QTest::mouseClick(again->Command1, Qt::LeftButton);
    // Closing unloads it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return opener.window() == nullptr; }));
    Recherche_Indicatif *fresh = opener.open();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->isVisible());
}

} // namespace
