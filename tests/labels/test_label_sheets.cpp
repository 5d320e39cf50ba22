#include "LabelTestData.h"

#include "labels/LabelSheets.h"
#include "support/QStringPrint.h"

#include <gtest/gtest.h>

using namespace zep;
using labeltest::content;
using labeltest::entry;

namespace {

QString sp(int n) {
    return QString(n, QLatin1Char(' '));
}

// Line `index` among the printed (non-empty) lines of a sixteen-label row.
SheetLine printedLine(const QList<SheetLine> &row, int index) {
    int seen = 0;
    for (const SheetLine &l : row)
        if (!l.text.isEmpty() && seen++ == index)
            return l;
    return {QStringLiteral("<none>"), 0, false, {}, {}};
}
QString textLine(const QList<SheetLine> &row, int index) {
    return printedLine(row, index).text;
}

} // namespace

TEST(LabelCentring, SixteenLabelPaddingAndSeparatorFollowTheParityOfTheRoom) {
    struct Case {
        int w, k, l, padding;
        const char *separator;
    } cases[] = {
        {37, 21, 9, 3, " "},  // r = 7: odd
        {32, 21, 9, 0, "  "}, // r = 2: even, no padding
        {48, 6, 22, 9, "  "}, // r = 20
        {48, 30, 11, 3, " "}, // blank form's QSO line, r = 7
        {32, 21, 10, 0, " "}, // r = 1
        {32, 21, 11, 0, " "}, // r = 0: no room, no negative padding
        {32, 21, 14, 0, " "}, // r < 0
    };
    for (const Case &c : cases) {
        const Centring got = centreInColumn(c.w, c.k, c.l);
        EXPECT_EQ(got.padding, c.padding) << c.w << " " << c.k << " " << c.l;
        EXPECT_EQ(got.separator, QString::fromLatin1(c.separator))
            << c.w << " " << c.k << " " << c.l;
    }
}

TEST(LabelCentring, TwentyFourLabelBlanksRoundHalvesToEven) {
    struct Case {
        int w, k, l, blanks;
    } cases[] = {{33, 21, 9, 2}, {50, 0, 45, 2}, {50, 0, 43, 4},  {50, 0, 49, 0},
                 {50, 0, 40, 5}, {50, 0, 50, 0}, {33, 21, 14, 0}, {50, 30, 10, 5}};
    for (const Case &c : cases)
        EXPECT_EQ(leadingBlanks(c.w, c.k, c.l), c.blanks) << c.w << " " << c.k << " " << c.l;
}

TEST(SixteenLabelSheet, ConfirmationLineInEachLayoutAndLanguage) {
    const QString qso = entry(QStringLiteral("F5ABC/P"));
    struct Case {
        SheetLayout layout;
        bool english;
        QString right; // empty: a blank form
        QString expected;
    } cases[] = {
        {SheetLayout::A, false, qso,
         "   Confirme le QSO avec F5ABC/P 34   " + sp(3) + "Confirme le QSO avec F5ABC/P 34"},
        {SheetLayout::B, false, qso,
         "Confirme le QSO avec  F5ABC/P 34Confirme le QSO avec  F5ABC/P 34"},
        {SheetLayout::A, true, qso,
         "   Confirming QSO with  F5ABC/P 34   " + sp(3) + "Confirming QSO with  F5ABC/P 34"},
        {SheetLayout::C, true, qso,
         " Confirming QSO with F5ABC/P 34  Confirming QSO with F5ABC/P 34"},
        {SheetLayout::A, false, QString(),
         "   Confirme le QSO avec F5ABC/P 34   " + sp(4) + "Confirme le QSO avec ....... "},
    };
    for (const Case &c : cases) {
        const QList<SheetLine> row = sixteenLabelRow(c.layout, content(c.english), qso, c.right, 1);
        EXPECT_EQ(textLine(row, 0), c.expected) << int(c.layout) << c.english;
    }
}

TEST(SixteenLabelSheet, ReferenceLocationQsoStationAndThanksLines) {
    LabelContent canton = content();
    canton.reference.canton = QStringLiteral("3415");
    canton.reference.postalCode = QStringLiteral("34800");
    canton.reference.commune = QStringLiteral("Villeneuvette");
    LabelContent noCanton = canton;
    noCanton.reference.canton.clear();
    LabelContent two = content();
    two.twoReferences = true;
    const QString qso = entry(QStringLiteral("F5ABC/P"));
    const QString location = QStringLiteral("34800 Villeneuvette");
    struct Case {
        const char *what;
        LabelContent content;
        QString right;
        int line;
        QString expected;
    } cases[] = {
        {"reference", content(), qso, 1,
         sp(8) + "DFCF 34-012  Chateau de Lavagnac" + sp(16) + "DFCF 34-012  Chateau de Lavagnac"},
        {"location with canton", canton, qso, 2,
         sp(9) + "DDCF 3415  " + location + sp(18) + "DDCF 3415  " + location},
        // Left text one column wider, its partner one blank shorter: both start 15 columns in.
        {"location without canton", noCanton, qso, 2,
         sp(15) + location + sp(4 + 11) + sp(14) + location},
        {"second reference", two, qso, 2,
         sp(12) + "DIFI 34-001  Ile de Thau" + sp(24) + "DIFI 34-001  Ile de Thau"},
        {"QSO, blank form on the right", content(), QString(), 3,
         "   12/05/24 08:35 UTC  QRG 7 Mhz  RST 59  SSB   " +
             QStringLiteral("   ........ ..... UTC  QRG .. Mhz  RST .. ...")},
        {"station", content(), qso, 4,
         sp(12) + "TX : FT-817 Ant : Dipole" + sp(24) + "TX : FT-817 Ant : Dipole"},
        {"thanks", content(), qso, 5,
         sp(7) + "Merci Pour le QSO    73's de Q0ZEP" + sp(14) +
             "Merci Pour le QSO    73's de Q0ZEP"},
        {"thanks in English", content(true), qso, 5,
         sp(7) + "Tnx for the QSO    73's from Q0ZEP" + sp(14) +
             "Tnx for the QSO    73's from Q0ZEP"},
        {"signature", content(), qso, 6, sp(80) + "par Q0ZEP" + sp(88) + "par Q0ZEP"},
        {"signature in English", content(true), qso, 6, sp(81) + "by Q0ZEP" + sp(89) + "by Q0ZEP"},
    };
    for (const Case &c : cases) {
        const QList<SheetLine> row = sixteenLabelRow(SheetLayout::A, c.content, qso, c.right, 3);
        EXPECT_EQ(textLine(row, c.line), c.expected) << c.what;
    }
}

TEST(SixteenLabelSheet, CallSignsAndReferencesTooLongForTheirColumnArePrintedSmallerNotCut) {
    LabelContent longNames = content();
    longNames.reference.commune = QStringLiteral("Saint-Martin-de-Londres-la-Grande-Commune");
    longNames.secondName = QStringLiteral("Ile de Thau et Etang de Bages et Sigean");
    LabelContent twoReferences = longNames;
    twoReferences.twoReferences = true;
    const QString ea8 = entry(QStringLiteral("EA8/F4ABC/MM"), QStringLiteral("2A"));
    const QString qrp = entry(QStringLiteral("F4ABC/QRP"), QStringLiteral("2A"));
    const QString french = QStringLiteral("Confirme le QSO avec EA8/F4ABC/MM 2A");
    const QString second = QStringLiteral("DIFI 34-001 Ile de Thau et Etang de Bages et Sigean");
    const QString location = QStringLiteral("DDCF 3415 34530 Saint-Martin-de-Londres-la-Grand");
    // The left label is padded one blank past its text and the row shrunk by width / padded
    // width, so that the right label keeps its place.
    struct Case {
        const char *what;
        SheetLayout layout;
        LabelContent content;
        QString left, right;
        int line;
        QString expected;
        double scale;
    } cases[] = {
        {"French, 32 columns", SheetLayout::B, content(), ea8, ea8, 0, french + u' ' + french,
         32.0 / 37},
        {"French, 37 columns: it fits", SheetLayout::A, content(), ea8, ea8, 0,
         QStringLiteral("Confirme le QSO avec  EA8/F4ABC/MM 2A").repeated(2), 1},
        {"English, only the right label too long", SheetLayout::C, content(true), qrp, ea8, 0,
         "Confirming QSO with F4ABC/QRP 2A" + sp(3) + "Confirming QSO with EA8/F4ABC/MM 2A",
         32.0 / 35},
        {"second reference", SheetLayout::B, twoReferences, ea8, ea8, 2, second + u' ' + second,
         48.0 / 52},
        {"the location is still cut", SheetLayout::B, longNames, ea8, ea8, 2, location + location,
         1},
    };
    for (const Case &c : cases) {
        const SheetLine line =
            printedLine(sixteenLabelRow(c.layout, c.content, c.left, c.right, 1), c.line);
        EXPECT_EQ(line.text, c.expected) << c.what;
        EXPECT_DOUBLE_EQ(line.scale, c.scale) << c.what;
    }
}

TEST(SixteenLabelSheet, SizesBoldAndGapsOfEachLayout) {
    using Shape = QList<std::pair<double, bool>>;
    struct Case {
        SheetLayout layout;
        int row;
        bool twoReferences;
        Shape expected;
    } cases[] = {
        {SheetLayout::A,
         0,
         false,
         {{10, false},
          {10, false},
          {10, false},
          {13, true},
          {10, true},
          {10, false},
          {8, false},
          {10, false},
          {8, false},
          {10, false},
          {10, false},
          {5, false},
          {5, false}}},
        {SheetLayout::B,
         0,
         true,
         {{15, true},
          {10, true},
          {10, true},
          {2, false},
          {10, false},
          {2, false},
          {10, false},
          {10, false},
          {5, false},
          {21, false}}},
        {SheetLayout::C,
         0,
         false,
         {{8, false},
          {8, false},
          {15, true},
          {10, true},
          {10, false},
          {8, false},
          {10, false},
          {8, false},
          {10, false},
          {10, false},
          {5, false},
          {7, false}}},
        // The last row of a sheet: no top margin, no gap after it.
        {SheetLayout::C,
         7,
         false,
         {{15, true},
          {10, true},
          {10, false},
          {8, false},
          {10, false},
          {8, false},
          {10, false},
          {10, false},
          {5, false}}},
    };
    for (const Case &c : cases) {
        LabelContent lc = content();
        lc.twoReferences = c.twoReferences;
        Shape got;
        for (const SheetLine &l :
             sixteenLabelRow(c.layout, lc, entry("F5ABC"), entry("F6XYZ"), c.row))
            got.append({l.size, l.bold});
        EXPECT_EQ(got, c.expected) << int(c.layout) << " row " << c.row;
    }
}

TEST(TwentyFourLabelSheet, LabelsPlacedInMillimetres) {
    LabelContent c = content();
    c.reference.canton.clear();
    c.reference.postalCode = QStringLiteral("34800");
    c.reference.commune = QStringLiteral("Villeneuvette");
    const QString three[3] = {entry("F5ABC/P"), entry("F5ABC/P"), QString()};
    const QList<SheetLine> row = twentyFourLabelRow(c, three, 74);
    ASSERT_EQ(row.size(), 21);
    struct Case {
        int index;
        QString text;
        double size;
        bool bold;
        std::optional<double> x, y;
    } cases[] = {
        {0, "  Confirme le QSO avec F5ABC/P 34", 11, true, 3, 76},
        {1, sp(5) + "12/05/24 08:35 UTC  QRG 7 Mhz  RST 59 SSB", 8, false, 0, 81},
        {2, sp(10) + "DFCF 34-012 Chateau de Lavagnac", 8, false, 0, {}},
        {3, sp(13) + "DDCF  34800 Villeneuvette", 8, false, 0, {}},
        {4, sp(14) + "TX: FT-817  Ant: Dipole", 8, false, 0, {}},
        {5, sp(9) + "Merci Pour le QSO   73's de Q0ZEP", 8, false, 0, {}},
        {6, labelWebAddress(), 6, false, 50, 100.5},
        {7, "  Confirme le QSO avec F5ABC/P 34", 12, true, 66, 76},
        {14, sp(2) + "Confirme le QSO avec ....... ", 12, true, 132, 76},
        {15, sp(4) + "........ ..... UTC  QRG .. Mhz  RST .. ...", 8, false, 132, 81},
        {20, labelWebAddress(), 6, false, 182, 100.5},
    };
    for (const Case &k : cases) {
        const SheetLine &l = row[k.index];
        EXPECT_EQ(l.text, k.text) << k.index;
        EXPECT_EQ(l.size, k.size) << k.index;
        EXPECT_EQ(l.bold, k.bold) << k.index;
        EXPECT_EQ(l.x, k.x) << k.index;
        EXPECT_EQ(l.y, k.y) << k.index;
    }
}

TEST(TwentyFourLabelSheet, EnglishTwoReferenceAndTooLongTexts) {
    LabelContent c = content(true);
    c.twoReferences = true;
    const QString three[3] = {entry("F5ABC/P"), entry("F/ON4ABCDE/P"), QString()};
    const QList<SheetLine> english = twentyFourLabelRow(c, three, 0);
    EXPECT_EQ(english[0].text, QStringLiteral("  Confirming QSO with F5ABC/P 34"));
    EXPECT_EQ(english[3].text, sp(14) + "DIFI 34-001 Ile de Thau");
    EXPECT_EQ(english[5].text, sp(9) + "Tnx for the QSO   73's from Q0ZEP");
    // A twelve-character call sign and its department are printed whole, smaller, within the
    // room of the label's 33 columns.
    EXPECT_EQ(english[7].text, QStringLiteral("Confirming QSO with F/ON4ABCDE/P 34"));
    EXPECT_LE(35 * english[7].scale, 33);
    LabelContent french = content();
    french.reference.commune = QStringLiteral("Saint-Martin-de-Londres-Les-Grandes");
    const QList<SheetLine> row = twentyFourLabelRow(french, three, 0);
    EXPECT_EQ(row[7].text, QStringLiteral("Confirme le QSO avec F/ON4ABCDE/P 34"));
    EXPECT_LE(36 * row[7].scale, 33);
    // The first label would run into the second one's text: it only loses its leading blanks.
    EXPECT_EQ(row[0].text, QStringLiteral("Confirme le QSO avec F5ABC/P 34"));
    EXPECT_EQ(row[0].scale, 1);
    EXPECT_EQ(row[3].text, QStringLiteral("DDCF 3415 34530 Saint-Martin-de-Londres-Les-Grande"));
}
