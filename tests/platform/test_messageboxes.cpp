// The real message boxes: French buttons from Qt's own translation, no icon, the program's
// title, and Enter on the default button ("Oui" for a question).

#include "platform/MessageBoxDialogs.h"
#include "support/ModalWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

using namespace zep;

namespace {

class MessageBoxes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        translator = new QTranslator;
        ASSERT_TRUE(translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"),
                                     QStringLiteral("_"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QApplication::installTranslator(translator);
    }
    static void TearDownTestSuite() {
        QApplication::removeTranslator(translator);
        delete translator;
    }

    /// Acts on the box once it is up; returns what was seen of it.
    void whenShown(std::function<void(QMessageBox *)> act) {
        QTimer::singleShot(0, [this, act] {
            // Closed after `act` even when a check fails inside it: the test fails, not hangs.
            const zep::testing::ModalWindowsClosed closer;
            box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            icon = box->icon();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            text = box->text();
            act(box);
        });
    }

    static QTranslator *translator;
    QMessageBox *box = nullptr;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QStringList buttons;
};

QTranslator *MessageBoxes::translator = nullptr;

TEST_F(MessageBoxes, AQuestionAnswersOuiOnEnter) {
    MessageBoxDialogs dialogs;
    whenShown([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Return); });
    EXPECT_TRUE(dialogs.question(QStringLiteral("Enregistrer DFCF 76054 ?")));
    EXPECT_EQ(title, QStringLiteral("ZEP_Rozadovev"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(text, QStringLiteral("Enregistrer DFCF 76054 ?"));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui")}));
}

TEST_F(MessageBoxes, NonAndEscapeDecline) {
    MessageBoxDialogs dialogs;
    whenShown([](QMessageBox *b) { b->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(dialogs.question(QStringLiteral("Voulez vous effacer l'activité DFCF 1 ?")));
    whenShown([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Escape); });
    EXPECT_FALSE(dialogs.question(QStringLiteral("Voulez vous effacer l'activité DFCF 1 ?")));
}

TEST_F(MessageBoxes, AMessageHasOneOkButtonThatEnterPresses) {
    MessageBoxDialogs dialogs;
    whenShown([](QMessageBox *b) { QTest::keyClick(b, Qt::Key_Enter); });
    dialogs.message(QStringLiteral("10 caracteres maxi"));
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.front(), QStringLiteral("OK"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(title, QStringLiteral("ZEP_Rozadovev"));
    EXPECT_FALSE(QApplication::activeModalWidget());
}

// Without Qt's translations (a program copied without them) the buttons still read French.
class UntranslatedMessageBoxes : public MessageBoxes {
protected:
    static void SetUpTestSuite() {}
    static void TearDownTestSuite() {}
};

TEST_F(UntranslatedMessageBoxes, AQuestionStillOffersOuiAndNon) {
    MessageBoxDialogs dialogs;
    whenShown([](QMessageBox *b) { b->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(
        dialogs.question(QStringLiteral("Activation double, éffacer les deux activités ?")));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui")}));
}

} // namespace
