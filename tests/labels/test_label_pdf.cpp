#include "LabelTestData.h"

#include "core/Dialogs.h"
#include "labels/LabelPrinting.h"
#include "platform/QtPrinter.h"
#include "support/PdfText.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace zep;

namespace {

QString squeezed(const QString &text) {
    return text.simplified();
}

// The text lines of each page of a PDF as pdftotext lays them out, blanks squeezed.
QList<QStringList> pagesOf(const QByteArray &pdf) {
    QList<QStringList> pages;
    for (const QString &page : pdftext::layout(pdf).split(u'\f')) {
        QStringList lines;
        for (const QString &line : page.split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines.append(squeezed(line));
        if (!lines.isEmpty())
            pages.append(lines);
    }
    return pages;
}

// What each page must read: the rows of its labels, line by line. On twenty-four-label sheets
// the three labels of a row share their text lines.
QList<QStringList> expectedPages(const LabelRun &run) {
    const SheetLayout layout = sheetLayout(run.format);
    const int perRow = labelsPerRow(layout);
    QList<QStringList> pages;
    int row = 0;
    for (qsizetype i = 0; i < run.entries.size(); i += perRow, row = (row + 1) % rowsPerSheet) {
        if (row == 0)
            pages.append(QStringList());
        QStringList &page = pages.last();
        if (layout != SheetLayout::TwentyFour) {
            for (const SheetLine &l : sixteenLabelRow(layout, run.content, run.entries.value(i),
                                                      run.entries.value(i + 1), row))
                if (!l.text.isEmpty())
                    page.append(squeezed(l.text));
            continue;
        }
        const QString three[3] = {run.entries.value(i), run.entries.value(i + 1),
                                  run.entries.value(i + 2)};
        const QList<SheetLine> lines = twentyFourLabelRow(run.content, three, 0);
        const qsizetype perLabel = lines.size() / 3;
        for (qsizetype k = 0; k < perLabel; ++k)
            page.append(squeezed(lines[k].text + u' ' + lines[perLabel + k].text + u' ' +
                                 lines[2 * perLabel + k].text));
    }
    return pages;
}

// Width in millimetres of the one word of a PDF page, as poppler measures its glyphs.
double wordWidthMm(const QByteArray &pdf) {
    const QString boxes = pdftext::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox")}, pdf);
    const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)")re"));
    const QRegularExpressionMatch m = word.match(boxes);
    if (!m.hasMatch())
        return -1;
    return (m.captured(2).toDouble() - m.captured(1).toDouble()) * 25.4 / 72.0;
}

// Runs `job` into a PDF of A4 sheets with the margins a Qt printer gives a PDF file by default
// (10 points), as "print to file" in the printer dialog does.
QByteArray labelPdf(const PrintJob &job) {
    QtPrinter printer(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Point));
    job(printer);
    EXPECT_TRUE(printer.finish());
    return printer.pdf();
}

} // namespace

TEST(LabelPdf, EverySheetIsAPageReadingExactlyItsLabels) {
    struct Case {
        int format;
        int labels;
        bool english;
        bool twoReferences;
    } cases[] = {{1, 17, false, false},
                 {2, 17, true, false},
                 {4, 3, false, true},
                 {5, 25, false, false},
                 {5, 4, true, true}};
    for (const Case &c : cases) {
        LabelRun run;
        run.format = c.format;
        run.content = labeltest::content(c.english);
        run.content.twoReferences = c.twoReferences;
        run.entries = labeltest::entries(c.labels);
        run.pauseEachSheet = true;
        ScriptedDialogs dialogs;
        const QByteArray pdf = labelPdf([&](Printer &p) { printLabels(p, dialogs, run); });
        const QList<QStringList> expected = expectedPages(run);
        EXPECT_EQ(pdftext::pages(pdf), expected.size()) << c.format;
        const QList<QStringList> got = pagesOf(pdf);
        ASSERT_EQ(got.size(), expected.size()) << c.format;
        for (qsizetype p = 0; p < got.size(); ++p)
            EXPECT_EQ(got[p].join(u'\n').toStdString(), expected[p].join(u'\n').toStdString())
                << "format " << c.format << " page " << p + 1;
        // The pause question still comes between the sheets of a file.
        EXPECT_EQ(dialogs.shown().size(), size_t(expected.size() - 1)) << c.format;
    }
}

TEST(LabelPdf, FixedPitchTextSpansTheLabelWidth) {
    // Letter Gothic's 33 characters at 12 points and 50 at 8 points cover a 70 mm label;
    // Courier New puts the right-hand label of a sixteen-label row 4 inches to the right.
    struct Case {
        const char *font;
        double size;
        int chars;
        double mm;
    } cases[] = {{"Letter Gothic", 12, 33, 70},  {"Letter Gothic", 8, 50, 70},
                 {"Letter Gothic", 11, 33, 64},  {"Courier New", 10, 48, 101.6},
                 {"Courier New", 13, 37, 101.6}, {"Courier New", 15, 32, 101.6}};
    for (const Case &c : cases) {
        QByteArray pdf;
        ASSERT_TRUE(printToPdfBytes(
            [&](Printer &p) {
                p.setFontName(QString::fromLatin1(c.font));
                p.setFontSize(c.size);
                p.printLine(QString(c.chars, u'X'));
                p.endJob();
            },
            pdf));
        EXPECT_NEAR(wordWidthMm(pdf), c.mm, 1.0) << c.font << " " << c.size;
    }
}

TEST(LabelPdf, TestPageOutlinesEveryLabel) {
    for (int format : {1, 5}) {
        const QByteArray pdf = labelPdf([&](Printer &p) { printTestPage(p, format, 0, 0); });
        EXPECT_EQ(pdftext::pages(pdf), 1);
        const QString text = pdftext::layout(pdf);
        const int labels = format == 5 ? 24 : 16;
        for (int n = 1; n <= labels; ++n)
            EXPECT_TRUE(text.contains(QStringLiteral("| %1").arg(n, 2, 10, QLatin1Char('0'))))
                << format << " " << n;
    }
}
