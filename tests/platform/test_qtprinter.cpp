// The Qt printer: the fonts it really prints with, jobs kept until their end, pages, positions,
// read back from the PDF it writes.

#include "platform/QtPrinter.h"
#include "support/PdfText.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zep;

namespace {

double widthMm(const QFont &font, int characters) {
    QImage device(8, 8, QImage::Format_RGB32);
    device.setDotsPerMeterX(47244); // 1200 dots per inch
    device.setDotsPerMeterY(47244);
    const QFontMetricsF metrics(font, &device);
    return metrics.horizontalAdvance(QString(characters, QLatin1Char('W'))) / 1200.0 * 25.4;
}

TEST(PrinterFont, PrinterFontNamesResolveToFixedPitchFontsOfTheRightWidth) {
    const bool liberation = QFontDatabase::families().contains(QStringLiteral("Liberation Mono"));
    struct Case {
        const char *name;
        double points;
        bool bold;
        int characters; ///< a line of this many characters ...
        double spanMm;  ///< ... spans this many millimetres (0: not checked)
    };
    const Case cases[] = {
        {"Courier New", 8, true, 0, 0},
        {"Courier New", 10, false, 10, 10 * 0.6 * 10 / 72 * 25.4}, // Courier's pitch: 0.6 em
        {"Letter Gothic", 12, false, 33, 70},
        {"Letter Gothic", 8, true, 50, 70},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.points));
        const QFont font = printerFont(QString::fromLatin1(c.name), c.points, c.bold);
        const QFontInfo info(font);
        EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
        EXPECT_EQ(info.bold(), c.bold);
        EXPECT_DOUBLE_EQ(font.pointSizeF(), c.points);
        if (liberation) {
            EXPECT_EQ(info.family(), QStringLiteral("Liberation Mono"));
        }
        if (c.characters > 0) {
            EXPECT_NEAR(widthMm(font, c.characters), c.spanMm, 1.0);
        }
    }
}

/// Runs a job into a PDF in memory.
QByteArray pdfOf(const PrintJob &job, int *pagesDrawn = nullptr) {
    QtPrinter printer(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    job(printer);
    EXPECT_TRUE(printer.finish().ok);
    if (pagesDrawn)
        *pagesDrawn = printer.pagesDrawn();
    return printer.pdf();
}

TEST(QtPrinterPdf, EndedJobsFollowEachOtherInOneDocumentAndADiscardedJobIsNotPrinted) {
    int drawn = 0;
    const QByteArray pdf = pdfOf(
        [](Printer &p) {
            EXPECT_TRUE(p.choosePrinter()) << "a PDF needs no dialog";
            p.setFontName(QStringLiteral("Courier New"));
            p.setFontSize(10);
            p.printLine(QStringLiteral("PREMIER TRAVAIL"));
            p.endJob();
            p.printLine(QStringLiteral("TRAVAIL JETE"));
            p.discardJob();
            p.printLine(QStringLiteral("SECOND TRAVAIL"));
            p.endJob();
            p.endJob(); // an empty job prints no blank sheet
        },
        &drawn);
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(pdftext::pages(pdf), 2);
    const QString text = pdftext::layout(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("PREMIER TRAVAIL"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SECOND TRAVAIL")));
    EXPECT_FALSE(text.contains(QStringLiteral("JETE")));
}

TEST(QtPrinterPdf, ALineThatDoesNotFitGoesToTheTopOfANewPage) {
    const QFont font = printerFont(QStringLiteral("Courier New"), 8, true);
    const double height = printerLineHeightMm(font);
    const int perPage = int(277.0 / height); // A4 less two 10 mm margins
    ASSERT_GT(perPage, 50);
    double yOfFirstOnPageTwo = -1;
    int drawn = 0;
    const QByteArray pdf = pdfOf(
        [&](Printer &p) {
            p.setFontName(QStringLiteral("Courier New"));
            p.setFontBold(true);
            p.setFontSize(8);
            for (int i = 1; i <= perPage + 3; ++i) {
                p.printLine(QStringLiteral("LIGNE %1").arg(i));
                if (i == perPage + 1)
                    yOfFirstOnPageTwo = p.currentY();
            }
            p.endJob();
        },
        &drawn);
    EXPECT_EQ(drawn, 2);
    EXPECT_NEAR(yOfFirstOnPageTwo, height, 1e-9) << "the next line is under the first of page 2";
    const QStringList pages = pdftext::layout(pdf).split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].trimmed().endsWith(QStringLiteral("LIGNE %1").arg(perPage)));
    EXPECT_TRUE(pages[1].trimmed().startsWith(QStringLiteral("LIGNE %1").arg(perPage + 1)));
}

TEST(QtPrinterPdf, PositionsAreMillimetresFromThePrintableCornerShiftedByTheOffset) {
    const QByteArray pdf = pdfOf([](Printer &p) {
        p.setFontName(QStringLiteral("Courier New"));
        p.setFontSize(12);
        p.setOffset(5, 7);
        p.setCurrentX(20);
        p.setCurrentY(30);
        p.printLine(QStringLiteral("REPERE"));
        EXPECT_DOUBLE_EQ(p.currentX(), 0) << "a printed line returns to the left edge";
        p.setFontName(QStringLiteral("Letter Gothic"));
        p.printLine(QString(33, QLatin1Char('G'))); // one label line
        p.endJob();
    });
    const QString boxes = pdftext::run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox")}, pdf);
    const QRegularExpression word(
        QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>REPERE<"));
    const QRegularExpressionMatch m = word.match(boxes);
    ASSERT_TRUE(m.hasMatch()) << boxes.toStdString();
    const double pointsPerMm = 72 / 25.4;
    // Margin 10 mm + offset + position; the word's box starts at the top of the line.
    EXPECT_NEAR(m.captured(1).toDouble(), (10 + 5 + 20) * pointsPerMm, 1.5);
    EXPECT_NEAR(m.captured(2).toDouble(), (10 + 7 + 30) * pointsPerMm, 2.5);

    const QRegularExpression label(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" "
                                                  "xMax=\"([0-9.]+)\"[^>]*>G{33}<"));
    const QRegularExpressionMatch g = label.match(boxes);
    ASSERT_TRUE(g.hasMatch()) << boxes.toStdString();
    EXPECT_NEAR(g.captured(2).toDouble() - g.captured(1).toDouble(), 70 * pointsPerMm, 3)
        << "33 label characters at 12 points span 70 mm on paper";
}

TEST(QtPrinterPdf, PrintToPdfWritesTheFileOrReportsWhyNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.pdf"));
    const PrintJob job = [](Printer &p) {
        p.printLine(QStringLiteral("DANS LE FICHIER"));
        p.endJob();
    };
    ASSERT_TRUE(printToPdf(job, path).ok);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();
    EXPECT_TRUE(pdftext::layout(written).contains(QStringLiteral("DANS LE FICHIER")));

    const IoResult refused = printToPdf(job, dir.filePath(QStringLiteral("absent/log.pdf")));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.isEmpty());
}

} // namespace
