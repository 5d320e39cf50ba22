#include "LabelTestData.h"

#include "core/io/Dialogs.h"
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
        int questions;           // each the layout's own question
        int discarded;
    } cases[] = {
        {"nothing chosen", 1, 0, false, {}, {}, 0, 1},
        {"three labels: two rows, a blank form", 1, 3, false, {}, {4}, 0, 0},
        {"one full sheet: asked, nothing follows", 2, 16, true, {}, {16}, 1, 1},
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
        const QString question = c.format == 2 || c.format == 5
                                     ? QStringLiteral("               Page suivante ?")
                                     : QStringLiteral("Page suivante ?");
        EXPECT_EQ(dialogs.texts(), QStringList(c.questions, question)) << c.what;
        EXPECT_EQ(printer.discarded, c.discarded) << c.what;
        EXPECT_TRUE(printer.pending.isEmpty()) << c.what;
        EXPECT_EQ(printer.dialogs, 1) << c.what;
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

TEST(LabelRun, RowsStartOneLabelHeightApartBelowTheTopMargin) {
    struct Case {
        int format;
        double topMargin; // empty lines of the recording printer's line height
        double pitch;
        QList<int> confirmationSizes;
    } cases[] = {
        {1, 3 * 10 * 0.4233, 33.9, {13}}, {3, 3 * 10 * 0.4233, 34, {13}}, {2, 0, 37, {15}},
        {4, 2 * 8 * 0.4233, 35, {15}},    {5, 2, 37, {11, 12, 12}},
    };
    for (const Case &c : cases) {
        RecordingPrinter printer;
        ScriptedDialogs dialogs;
        printLabels(printer, dialogs, run(c.format, c.format == 5 ? 48 : 32));
        ASSERT_EQ(printer.jobs.size(), 2) << c.format;
        for (const auto &job : printer.jobs) {
            QList<double> tops;
            for (const RecordingPrinter::Line &l : job)
                if (l.text.contains(QStringLiteral("Confirm")) && l.x < 10)
                    tops.append(l.y);
            ASSERT_EQ(tops.size(), 8) << c.format;
            for (int r = 0; r < 8; ++r)
                EXPECT_NEAR(tops[r], c.topMargin + r * c.pitch, 1e-9) << c.format << " row " << r;
        }
    }
}

TEST(LabelRun, TestPageIsOneJobMovedByTheOffsets) {
    struct Case {
        int format;
        double topMargin;
    } cases[] = {{1, 3 * 10 * 0.4233}, {2, 0}, {4, 2 * 8 * 0.4233}, {5, 0}};
    for (const Case &c : cases) {
        RecordingPrinter printer;
        printer.setFontName(QStringLiteral("Arial"));
        printTestPage(printer, c.format, 1.5, -0.5);
        ASSERT_EQ(printer.jobs.size(), 1);
        const QList<SheetLine> lines = testPageLines(c.format, c.topMargin);
        QList<RecordingPrinter::Line> printed;
        for (const RecordingPrinter::Line &l : printer.jobs[0])
            if (!l.text.isEmpty())
                printed.append(l);
        ASSERT_EQ(printed.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            EXPECT_NEAR(printed[i].x, *lines[i].x + 1.5, 1e-9);
            EXPECT_NEAR(printed[i].y, *lines[i].y - 0.5, 1e-9);
        }
        EXPECT_EQ(printer.fontName(), QStringLiteral("Arial"));
    }
}

TEST(LabelRun, TextsPrintedSmallerLeaveTheLinesUnderThemInPlace) {
    for (int format : {1, 2, 4, 5}) {
        const LabelRun shortTexts = run(format, 3);
        LabelRun longTexts = shortTexts;
        longTexts.entries.fill(
            labeltest::entry(QStringLiteral("EA8/F4ABC/MM"), QStringLiteral("2A")));
        longTexts.content.reference.name =
            QStringLiteral("Chateau et Parc de Lavagnac en Languedoc");
        RecordingPrinter plain, smaller;
        ScriptedDialogs dialogs;
        printLabels(plain, dialogs, shortTexts);
        printLabels(smaller, dialogs, longTexts);
        ASSERT_EQ(smaller.jobs.value(0).size(), plain.jobs.value(0).size()) << format;
        int shrunk = 0;
        for (qsizetype i = 0; i < plain.jobs[0].size(); ++i) {
            EXPECT_NEAR(smaller.jobs[0][i].y, plain.jobs[0][i].y, 1e-9) << format << " line " << i;
            shrunk += smaller.jobs[0][i].size < plain.jobs[0][i].size;
        }
        EXPECT_GE(shrunk, 2) << format;
    }
}
