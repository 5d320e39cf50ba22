// A status line whose figures change at every QSO draws its text itself: it must look as Qt's
// label draws the same text on the same frame, for each new text, without drawing the frame
// under it again.

#include "platform/StatusLabel.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace zep;

namespace {

/// Pixels that differ between two images of the same size.
int differing(const QImage &a, const QImage &b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

TEST(StatusLabel, ALineThatKeepsItsSizeLooksAsQtsLabelOnTheSameFrame) {
    const QString widest = QStringLiteral(
        "Cadence : 99999 QSO/h sur les 10 derniers, 99999 QSO/h sur la dernière heure");
    QGroupBox ownBox(QStringLiteral("Activité")), qtBox(QStringLiteral("Activité"));
    StatusLabel own(QStringLiteral("Cadence"), &ownBox);
    own.setTextFormat(Qt::PlainText);
    own.keepSizeOf(widest);
    QLabel qt(&qtBox);
    qt.setTextFormat(Qt::PlainText);
    for (QGroupBox *box : {&ownBox, &qtBox})
        box->resize(own.sizeHint().width() + 40, 70);
    for (QLabel *line : std::initializer_list<QLabel *>{&own, &qt})
        line->setGeometry(QRect(QPoint(12, 28), own.sizeHint()));
    EXPECT_TRUE(own.testAttribute(Qt::WA_OpaquePaintEvent));

    const QImage empty = ownBox.grab().toImage();
    for (const QString &text :
         {QStringLiteral("Cadence : 0 QSO/h sur les 10 derniers, 1 QSO/h sur la dernière heure"),
          QStringLiteral("Cadence : 124 QSO/h sur les 10 derniers,  87 QSO/h sur la dernière "
                         "heure"),
          // Figures that shrink: the words after them move back, and nothing of the longer
          // ones may stay behind.
          QStringLiteral("Cadence : 5 QSO/h sur les 10 derniers, 87 QSO/h sur la dernière heure"),
          QString()}) {
        own.setText(text);
        qt.setText(text);
        const QImage mine = ownBox.grab().toImage(), theirs = qtBox.grab().toImage();
        ASSERT_EQ(mine.size(), theirs.size());
        // The text is there, in the same place, glyph for glyph within a pixel's shading.
        const int ink = differing(theirs, empty);
        if (!text.isEmpty()) {
            EXPECT_GT(ink, 200) << text.toStdString();
        }
        EXPECT_LE(differing(mine, theirs), ink / 50) << text.toStdString();
    }
}

TEST(StatusLabel, ALineThatKeepsItsSizeTakesANewColourOrFontWholly) {
    const QString text =
        QStringLiteral("Cadence : 12 QSO/h sur les 10 derniers, 7 QSO/h sur la dernière heure");
    QGroupBox ownBox(QStringLiteral("Activité")), qtBox(QStringLiteral("Activité"));
    StatusLabel own(QStringLiteral("Cadence"), &ownBox);
    own.setTextFormat(Qt::PlainText);
    own.keepSizeOf(text + QStringLiteral("9999"));
    QLabel qt(&qtBox);
    qt.setTextFormat(Qt::PlainText);
    for (QGroupBox *box : {&ownBox, &qtBox})
        box->resize(own.sizeHint().width() + 100, 70);
    // Room for the bold text too: the line does not move or change size.
    for (QLabel *line : std::initializer_list<QLabel *>{&own, &qt})
        line->setGeometry(QRect(QPoint(12, 28), own.sizeHint() + QSize(60, 0)));
    const QImage empty = qtBox.grab().toImage();
    const auto same = [&](const char *what) {
        const QImage mine = ownBox.grab().toImage(), theirs = qtBox.grab().toImage();
        const int ink = differing(theirs, empty);
        EXPECT_GT(ink, 200) << what;
        EXPECT_LE(differing(mine, theirs), ink / 50) << what;
    };
    own.setText(text);
    qt.setText(text);
    same("as set");
    // Greyed, then in bold: every word is drawn again, not only those whose text changed.
    own.setEnabled(false);
    qt.setEnabled(false);
    same("disabled");
    QFont bold = own.font();
    bold.setBold(true);
    own.setFont(bold);
    qt.setFont(bold);
    same("bold");
}

TEST(StatusLabel, ALineThatKeepsItsSizeTakesANewThemeUnderItsWords) {
    // A dark theme and a high-contrast one, set on the window or on the whole program: the
    // line must not keep the background it had before the switch.
    const struct {
        const char *what;
        QColor window, text;
        bool wholeProgram;
    } themes[] = {
        {"dark, on the window", QColor(0x2b, 0x2b, 0x2b), QColor(0xe0, 0xe0, 0xe0), false},
        {"high contrast, on the window", Qt::black, Qt::yellow, false},
        {"dark, on the program", QColor(0x30, 0x30, 0x38), Qt::white, true},
        {"high contrast, on the program", Qt::white, Qt::black, true},
    };
    const QString text =
        QStringLiteral("Cadence : 12 QSO/h sur les 10 derniers, 7 QSO/h sur la dernière heure");
    const QPalette original = QApplication::palette();
    for (const auto &theme : themes) {
        QGroupBox ownBox(QStringLiteral("Activité")), qtBox(QStringLiteral("Activité"));
        StatusLabel own(QStringLiteral("Cadence"), &ownBox);
        own.setTextFormat(Qt::PlainText);
        own.keepSizeOf(text + QStringLiteral("9999"));
        QLabel qt(&qtBox);
        qt.setTextFormat(Qt::PlainText);
        for (QGroupBox *box : {&ownBox, &qtBox})
            box->resize(own.sizeHint().width() + 40, 70);
        for (QLabel *line : std::initializer_list<QLabel *>{&own, &qt}) {
            line->setGeometry(QRect(QPoint(12, 28), own.sizeHint()));
            line->setText(text);
        }
        (void)ownBox.grab(); // the line keeps its image of the first theme

        QPalette dark = original;
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            dark.setColor(group, QPalette::Window, theme.window);
            dark.setColor(group, QPalette::WindowText, theme.text);
        }
        if (theme.wholeProgram)
            QApplication::setPalette(dark);
        else
            for (QGroupBox *box : {&ownBox, &qtBox})
                box->setPalette(dark);
        const QImage mine = ownBox.grab().toImage(), theirs = qtBox.grab().toImage();
        qt.setText(QString());
        const QImage bare = qtBox.grab().toImage();
        QApplication::setPalette(original);
        ASSERT_EQ(mine.size(), theirs.size()) << theme.what;
        const int ink = differing(theirs, bare);
        EXPECT_GT(ink, 200) << theme.what;
        EXPECT_LE(differing(mine, theirs), ink / 50) << theme.what;
    }
}
