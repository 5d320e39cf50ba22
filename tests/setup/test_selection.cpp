// The choice between the two references of a double activation, and the entry window's clock
// that must stand still while it is open and run again however it closes.

#include "core/io/Clock.h"
#include "core/log/CurrentActivation.h"
#include "platform/Colors.h"
#include "setup/Selection_Acti.h"
#include "support/ModalWindows.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace zep;

namespace {

/// Counts what is asked of the entry window's clock.
class ClockSpy : public ClockControl {
public:
    void stopClock() override {
        ++stops;
        running = false;
    }
    void startClock() override {
        ++starts;
        running = true;
    }
    int stops = 0;
    int starts = 0;
    bool running = true;
};

CurrentActivation pair() {
    CurrentActivation a;
    a.reference = QStringLiteral("DFCF 76054");
    a.secondReference = QStringLiteral("DIFI 76-001");
    a.isDouble = true;
    return a;
}

/// Runs `operator_` on the modal window once it is up, the way an operator would act on it.
QString chooseWith(ClockSpy &clock, const QString &previous,
                   std::function<void(Selection_Acti *)> operator_) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        // Closed after `operator_` even when a check fails: the test fails, not hangs.
        const zep::testing::ModalWindowsClosed closer;
        auto *window = qobject_cast<Selection_Acti *>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        seen = true;
        EXPECT_FALSE(clock.running) << "the clock runs while the choice is pending";
        operator_(window);
    });
    const QString chosen = chooseReference(pair(), &clock, previous);
    EXPECT_TRUE(seen);
    return chosen;
}

TEST(SelectionActi, ASingleActivationUsesItsReferenceWithoutAsking) {
    CurrentActivation a = pair();
    a.isDouble = false;
    ClockSpy clock;
    EXPECT_EQ(chooseReference(a, &clock, QStringLiteral("OLD")), QStringLiteral("DFCF 76054"));
    EXPECT_EQ(clock.stops, 0);
    EXPECT_EQ(clock.starts, 0);
}

TEST(SelectionActi, OpensInItsDesignState) {
    ClockSpy clock;
    Selection_Acti window(QStringLiteral("DFCF 76054"), QStringLiteral("DIFI 76-001"), &clock);
    window.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" Selection de l'activité"));
    ASSERT_NE(window.findChild<QGroupBox *>(), nullptr);
    EXPECT_EQ(window.findChild<QGroupBox *>()->title(), QStringLiteral("Selection activité"));
    EXPECT_EQ(window.findChild<QPushButton *>(QStringLiteral("Act1"))->text(),
              QStringLiteral("DFCF 76054"));
    EXPECT_EQ(window.Act2->text(), QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(window.Valide->text(), QStringLiteral("Validez"));
    EXPECT_FALSE(window.Valide->isEnabled());
    EXPECT_EQ(backgroundOf(window.Act1), colors::lightGreen());
    EXPECT_EQ(backgroundOf(window.Act2), colors::lightGreen());
    EXPECT_EQ(clock.stops, 1);
    EXPECT_EQ(clock.starts, 0);

    window.Act1->click();
    EXPECT_EQ(window.Num_Activite_Choisie, QStringLiteral("DFCF 76054"));
    EXPECT_EQ(backgroundOf(window.Act1), colors::systemButton());
    EXPECT_EQ(backgroundOf(window.Act2), colors::systemButton());
    EXPECT_TRUE(window.Valide->isEnabled());
    EXPECT_EQ(backgroundOf(window.Valide), colors::lightGreen());
    EXPECT_EQ(QApplication::focusWidget(), window.Valide);
    window.Valide->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(clock.starts, 1);
}

TEST(SelectionActi, TheSecondReferenceCanBeChosenAndTheLastClickWins) {
    ClockSpy clock;
    EXPECT_EQ(chooseWith(clock, {},
                         [](Selection_Acti *w) {
                             w->Act2->click();
                             w->Valide->click();
                         }),
              QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(chooseWith(clock, {},
                         [](Selection_Acti *w) {
                             w->Act1->click();
                             w->Act2->click();
                             w->Valide->click();
                         }),
              QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(chooseWith(clock, {},
                         [](Selection_Acti *w) {
                             w->Act2->click();
                             w->Act1->click();
                             QTest::keyClick(w->Valide, Qt::Key_Return); // the focused Validez
                         }),
              QStringLiteral("DFCF 76054"));
    EXPECT_EQ(clock.stops, 3);
    EXPECT_EQ(clock.starts, 3);
    EXPECT_TRUE(clock.running);
}

TEST(SelectionActi, ClosingWithoutAChoiceKeepsThePreviousReferenceAndRestartsTheClock) {
    ClockSpy clock;
    EXPECT_EQ(
        chooseWith(clock, QStringLiteral("DIFI 76-001"), [](Selection_Acti *w) { w->close(); }),
        QStringLiteral("DIFI 76-001"));
    EXPECT_EQ(
        chooseWith(clock, QString(), [](Selection_Acti *w) { QTest::keyClick(w, Qt::Key_Escape); }),
        QString());
    // A reference chosen with the keyboard stays chosen when the close box ends the window.
    EXPECT_EQ(chooseWith(clock, QStringLiteral("X"),
                         [](Selection_Acti *w) {
                             ASSERT_EQ(QApplication::focusWidget(), w->Act1);
                             QTest::keyClick(w->Act1, Qt::Key_Return);
                             EXPECT_EQ(QApplication::focusWidget(), w->Valide);
                             w->close();
                         }),
              QStringLiteral("DFCF 76054"));
    EXPECT_EQ(clock.starts, 3);
    EXPECT_TRUE(clock.running);
}

TEST(SelectionActi, WorksWithoutAnEntryWindow) {
    Selection_Acti window(QStringLiteral("A"), QStringLiteral("B"), nullptr);
    window.open();
    window.Act2->click();
    window.Valide->click();
    EXPECT_EQ(window.Num_Activite_Choisie, QStringLiteral("B"));
}

} // namespace
