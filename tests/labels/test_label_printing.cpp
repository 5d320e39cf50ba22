#include "LabelTestData.h"

#include "core/Dialogs.h"
#include "labels/LabelPrinting.h"
#include "platform/RecordingPrinter.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {

// Labels in one job: each printed confirmation counts (a sixteen-label line holds two).
int labelsIn(const QList<RecordingPrinter::Line> &lines) {
    int n = 0;
    for (const RecordingPrinter::Line &l : lines)
        n += int(l.text.count(QStringLiteral("Confirm")));
    return n;
}

// The call signs printed in one job, blank forms shown as ".......".
QStringList callsIn(const QList<RecordingPrinter::Line> &lines) {
    QStringList calls;
    for (const RecordingPrinter::Line &l : lines) {
        const QStringList words = l.text.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < words.size(); ++i)
            if (words[i] == QStringLiteral("avec") || words[i] == QStringLiteral("with"))
                calls.append(words.value(i + 1));
    }
    return calls;
}

LabelRun run(int format, int labels, bool pause = false) {
    LabelRun r;
    r.format = format;
    r.content = labeltest::content();
    r.entries = labeltest::entries(labels);
    r.pauseEachSheet = pause;
    r.restoreFontName = QStringLiteral("MS Sans Serif");
    return r;
}

} // namespace

TEST(LabelRun, SheetsJobsPausesAndBlankForms) {
    struct Case {
        const char *what;
        int format, labels;
        bool pause;
        QList<bool> answers;
        QList<int> labelsPerJob; // blank forms included
        int questions;
        int discarded;
    } cases[] = {
        {"nothing chosen", 1, 0, false, {}, {}, 0, 1},
        {"three labels: two rows, a blank form", 1, 3, false, {}, {4}, 0, 0},
        {"one full sheet", 2, 16, false, {}, {16}, 0, 1},
        {"seventeen, go on", 4, 17, true, {true}, {16, 2}, 1, 0},
        {"seventeen, stop", 3, 17, true, {false}, {16}, 1, 0},
        {"seventeen without pause", 1, 17, false, {}, {16, 2}, 0, 0},
        {"four on twenty-four", 5, 4, false, {}, {6}, 0, 0},
        {"one full sheet of twenty-four", 5, 24, false, {}, {24}, 0, 1},
        {"twenty-five, go on", 5, 25, true, {true}, {24, 3}, 1, 0},
        {"twenty-five, stop", 5, 25, true, {false}, {24}, 1, 0},
        {"forty-nine over three sheets", 5, 49, true, {true, true}, {24, 24, 3}, 2, 0},
    };
    for (const Case &c : cases) {
        RecordingPrinter printer;
        ScriptedDialogs dialogs;
        for (bool a : c.answers)
            dialogs.setNextAnswer(a);
        printLabels(printer, dialogs, run(c.format, c.labels, c.pause));
        QList<int> perJob;
        for (const auto &job : printer.jobs)
            perJob.append(labelsIn(job));
        EXPECT_EQ(perJob, c.labelsPerJob) << c.what;
        EXPECT_EQ(int(dialogs.shown().size()), c.questions) << c.what;
        EXPECT_EQ(printer.discarded, c.discarded) << c.what;
        EXPECT_TRUE(printer.pending.isEmpty()) << c.what;
        EXPECT_EQ(printer.dialogs, 1) << c.what;
    }
}

TEST(LabelRun, LabelsComeInListOrderAndTheQuestionMatchesTheLayout) {
    struct Case {
        int format;
        int labels;
        const char *question;
    } cases[] = {{1, 17, "Page suivante ?"},
                 {2, 17, "               Page suivante ?"},
                 {4, 17, "Page suivante ?"},
                 {5, 25, "               Page suivante ?"}};
    for (const Case &c : cases) {
        RecordingPrinter printer;
        ScriptedDialogs dialogs;
        const LabelRun r = run(c.format, c.labels, true);
        printLabels(printer, dialogs, r);
        ASSERT_EQ(printer.jobs.size(), 2) << c.format;
        QStringList expected;
        for (const QString &e : r.entries)
            expected.append(labelFields(e).call);
        const qsizetype perRow = c.format == 5 ? 3 : 2;
        while (expected.size() % perRow != 0)
            expected.append(QStringLiteral("......."));
        EXPECT_EQ(callsIn(printer.jobs[0]) + callsIn(printer.jobs[1]), expected) << c.format;
        EXPECT_EQ(dialogs.texts(), QStringList{QString::fromLatin1(c.question)}) << c.format;
    }
}

TEST(LabelRun, FontsOffsetsAndPrinterStateAfterTheRun) {
    struct Case {
        int format;
        const char *font;
    } cases[] = {{1, "Courier New"}, {5, "Letter Gothic"}};
    for (const Case &c : cases) {
        RecordingPrinter printer;
        printer.setFontSize(9);
        ScriptedDialogs dialogs;
        LabelRun r = run(c.format, 25);
        r.offsetXmm = 0.7;
        r.offsetYmm = -1.2;
        printLabels(printer, dialogs, r);

        RecordingPrinter plain;
        printLabels(plain, dialogs, run(c.format, 25));
        ASSERT_EQ(printer.jobs.size(), plain.jobs.size());
        for (qsizetype j = 0; j < printer.jobs.size(); ++j) {
            ASSERT_EQ(printer.jobs[j].size(), plain.jobs[j].size());
            for (qsizetype i = 0; i < printer.jobs[j].size(); ++i) {
                const RecordingPrinter::Line &moved = printer.jobs[j][i];
                EXPECT_EQ(moved.font, QString::fromLatin1(c.font));
                EXPECT_DOUBLE_EQ(moved.x, plain.jobs[j][i].x + 0.7);
                EXPECT_DOUBLE_EQ(moved.y, plain.jobs[j][i].y - 1.2);
            }
        }
        EXPECT_EQ(printer.fontName(), QStringLiteral("MS Sans Serif"));
        EXPECT_EQ(printer.fontSize(), 9);
    }
}

TEST(LabelRun, CancelledPrinterDialogPrintsNothing) {
    RecordingPrinter printer;
    printer.dialogAnswer = false;
    ScriptedDialogs dialogs;
    printLabels(printer, dialogs, run(1, 5, true));
    printTestPage(printer, 5, 1, 1);
    EXPECT_EQ(printer.ops, (QList<RecordingPrinter::Op>{RecordingPrinter::Op::Dialog,
                                                        RecordingPrinter::Op::Dialog}));
}

TEST(LabelRun, TestPageIsOneJobMovedByTheOffsets) {
    RecordingPrinter printer;
    printer.setFontName(QStringLiteral("Arial"));
    printTestPage(printer, 2, 1.5, -0.5);
    ASSERT_EQ(printer.jobs.size(), 1);
    const QList<SheetLine> lines = testPageLines(2);
    ASSERT_EQ(printer.jobs[0].size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_DOUBLE_EQ(printer.jobs[0][i].x, *lines[i].x + 1.5);
        EXPECT_DOUBLE_EQ(printer.jobs[0][i].y, *lines[i].y - 0.5);
    }
    EXPECT_EQ(printer.fontName(), QStringLiteral("Arial"));
}
