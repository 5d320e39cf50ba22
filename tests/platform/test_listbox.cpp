// The list box the windows share: sorted insertion, and a selection from the program that
// behaves exactly like the operator's click.

#include "platform/ListBox.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace zep;

namespace {

QStringList itemsOf(const ListBox &list) {
    QStringList all;
    for (int i = 0; i < list.listCount(); ++i)
        all.append(list.listItem(i));
    return all;
}

TEST(ListBox, ASortedListPlacesEveryItemAscendingWithoutRegardToCase) {
    ListBox list;
    list.setSortedList(true);
    for (const char *call : {"F5ZZZ", "dl1abc", "F5AAA", "ea3xyz", "f5mmm", "DL1ABC", "9A2B"})
        list.addListItem(QString::fromLatin1(call));
    // Equal texts (case aside) keep the order they came in.
    EXPECT_EQ(itemsOf(list),
              (QStringList{"9A2B", "dl1abc", "DL1ABC", "ea3xyz", "F5AAA", "f5mmm", "F5ZZZ"}));
    // The whole item text counts, not only its first word.
    list.clearList();
    list.addListItem(QStringLiteral("F5AAA  2"));
    list.addListItem(QStringLiteral("F5AAA  10"));
    list.addListItem(QStringLiteral("F5AA   7"));
    EXPECT_EQ(itemsOf(list), (QStringList{"F5AA   7", "F5AAA  10", "F5AAA  2"}));
}

TEST(ListBox, AnUnsortedListKeepsTheOrderOfAdding) {
    ListBox list;
    list.addListItem(QStringLiteral("b"));
    list.addListItem(QStringLiteral("A"));
    EXPECT_EQ(itemsOf(list), (QStringList{"b", "A"}));
    list.setSortedList(true);
    EXPECT_EQ(itemsOf(list), (QStringList{"A", "b"}));
    EXPECT_EQ(list.listItem(3), QString());
}

class ListClicks : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *t : {"DFCF 1", "DFCF 2", "DFCF 3"})
            list.addListItem(QString::fromLatin1(t));
        list.onClick([this] { clicks.append(list.listIndex()); });
        list.show();
        QApplication::setActiveWindow(&list);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    }
    void click(int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(row)).center());
    }
    ListBox list;
    QList<int> clicks;
};

TEST_F(ListClicks, SelectingFromTheProgramRunsTheClickHandler) {
    list.setListIndex(1);
    list.setListIndex(1); // the same item again is a click again
    EXPECT_EQ(clicks, (QList<int>{1, 1}));
    list.setListIndex(-1);
    list.setListIndex(7);
    EXPECT_EQ(clicks, (QList<int>{1, 1}));
    EXPECT_EQ(list.listIndex(), -1);
}

TEST_F(ListClicks, EveryMouseClickAndArrowKeyIsOneClick) {
    click(2);
    click(2); // on the item already selected
    click(0);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks, (QList<int>{2, 2, 0, 1}));
}

TEST_F(ListClicks, ReachingTheListWithTabIsNotAClick) {
    list.setFocus(Qt::TabFocusReason);
    QTest::qWait(0);
    EXPECT_TRUE(list.hasFocus());
    // The view makes the first item current for the keyboard; nothing is selected yet.
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_TRUE(clicks.isEmpty());
}

TEST_F(ListClicks, FillingTheListIsNotAClick) {
    list.setListIndex(0);
    clicks.clear();
    list.clearList();
    list.addListItem(QStringLiteral("X"));
    EXPECT_TRUE(clicks.isEmpty());
}

} // namespace
