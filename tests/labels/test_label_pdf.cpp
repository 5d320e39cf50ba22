#include "LabelTestData.h"

#include "core/io/Dialogs.h"
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

// The words of a PDF as poppler measures their glyphs, in millimetres from the page's corner.
struct Word {
    QString text;
    double xMin, yMin, xMax;
};
QList<Word> wordsOf(const QByteArray &pdf) {
    const QString boxes = pdftext::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox")}, pdf);
    const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)<)re"));
    constexpr double mm = 25.4 / 72.0;
    QList<Word> words;
    for (const QRegularExpressionMatch &m : word.globalMatch(boxes))
        words.append({m.captured(4), m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm,
                      m.captured(3).toDouble() * mm});
    return words;
}

// Width in millimetres of the one word of a PDF page.
double wordWidthMm(const QByteArray &pdf) {
    const QList<Word> words = wordsOf(pdf);
    return words.isEmpty() ? -1 : words[0].xMax - words[0].xMin;
}

// The labels side by side on the text line where each label's text begins with the word
// `first`: the words of each, left to right. Two labels whose texts touch, as a text filling its
// column does, make one word: it is parted where the next label begins (a fixed pitch gives
// every character of a word the same width).
QList<QList<Word>> labelsOnLine(QList<Word> words, const QString &first) {
    const auto start = std::find_if(words.begin(), words.end(),
                                    [&](const Word &w) { return w.text.endsWith(first); });
    if (start == words.end())
        return {};
    const double y = start->yMin;
    std::sort(words.begin(), words.end(),
              [](const Word &a, const Word &b) { return a.xMin < b.xMin; });
    QList<QList<Word>> labels;
    for (Word w : words) {
        if (std::abs(w.yMin - y) > 1)
            continue;
        if (const qsizetype at = w.text.indexOf(first); at > 0 && !labels.isEmpty()) {
            const double split = w.xMin + (w.xMax - w.xMin) * double(at) / double(w.text.size());
            labels.last().append({w.text.left(at), w.xMin, w.yMin, split});
            w = {w.text.mid(at), split, w.yMin, w.xMax};
        }
        if (w.text == first)
            labels.append(QList<Word>());
        if (!labels.isEmpty())
            labels.last().append(w);
    }
    return labels;
}

// The left margin of the PDF sheets below (10 points), in millimetres.
constexpr double pdfMarginMm = 10 * 25.4 / 72.0;

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

TEST(LabelPdf, LongCallSignsDepartmentsAndReferencesArePrintedWholeWithinTheirLabels) {
    struct Call {
        const char *call, *department;
    } calls[] = {
        {"EA8/F4ABC/MM", "2A"}, {"F4ABC/QRP", "2A"}, {"F/ON4ABC/P", "34"}, {"F/ON4ABC/MM", "13"}};
    for (int format = 1; format <= 5; ++format) {
        const bool twentyFour = sheetLayout(format) == SheetLayout::TwentyFour;
        const int perRow = labelsPerRow(sheetLayout(format));
        // Where each label of a row starts, and how wide its text may be.
        const QList<double> columns =
            twentyFour ? QList<double>{0, 66, 132} : QList<double>{0, 101.6};
        const double labelWidth = twentyFour ? 70 : 101.6;
        for (bool english : {false, true}) {
            for (const Call &call : calls) {
                LabelRun run;
                run.format = format;
                run.content = labeltest::content(english);
                run.content.twoReferences = english;
                run.content.reference.name =
                    QStringLiteral("Chateau et Parc de Lavagnac en Languedoc");
                run.content.secondName = QStringLiteral("Ile de Thau et Etang de Bages et Sigean");
                const QString confirmation =
                    QString::fromLatin1(english ? "Confirming QSO with %1 %2"
                                                : "Confirme le QSO avec %1 %2")
                        .arg(QLatin1String(call.call), QLatin1String(call.department));
                run.entries = QStringList(perRow, labeltest::entry(QLatin1String(call.call),
                                                                   QLatin1String(call.department)));
                ScriptedDialogs dialogs;
                const QList<Word> words =
                    wordsOf(labelPdf([&](Printer &p) { printLabels(p, dialogs, run); }));
                QStringList lines = {
                    confirmation,
                    QStringLiteral("DFCF 34-012 Chateau et Parc de Lavagnac en Languedoc")};
                if (english)
                    lines.append(
                        QStringLiteral("DIFI 34-001 Ile de Thau et Etang de Bages et Sigean"));
                for (const QString &line : lines) {
                    const QString where = QStringLiteral("format %1: %2").arg(format).arg(line);
                    const QList<QList<Word>> labels = labelsOnLine(words, line.section(u' ', 0, 0));
                    ASSERT_EQ(labels.size(), perRow) << where.toStdString();
                    for (int k = 0; k < perRow; ++k) {
                        QStringList text;
                        for (const Word &w : labels[k])
                            text.append(w.text);
                        EXPECT_EQ(text.join(u' '), line) << where.toStdString() << " label " << k;
                        // Within its label, and clear of the next label's text.
                        const double start = pdfMarginMm + columns[k];
                        EXPECT_GE(labels[k].first().xMin, start - 1)
                            << where.toStdString() << " label " << k;
                        EXPECT_LE(labels[k].last().xMax, start + labelWidth + 1)
                            << where.toStdString() << " label " << k;
                        if (k + 1 < perRow) {
                            EXPECT_LE(labels[k].last().xMax, labels[k + 1].first().xMin + 0.1)
                                << where.toStdString() << " label " << k;
                        }
                    }
                }
            }
        }
    }
}
