// The listing files byte for byte, the sorted log's order, and the title block read from the
// activation list.

#include "core/log/Activation.h"
#include "core/log/QsoLine.h"
#include "core/reports/LogListing.h"
#include "support/QStringPrint.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zep;

namespace {

QString qso(const char *date, const char *time, const char *call, const char *band = "7",
            const char *dpt = "", const char *mode = "SSB") {
    QsoFields f;
    f.date = QString::fromLatin1(date);
    f.time = QString::fromLatin1(time);
    f.call = QString::fromLatin1(call);
    f.department = QString::fromLatin1(dpt);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QString::fromLatin1(mode);
    f.band = QString::fromLatin1(band);
    const BuiltLine built = buildQsoLine(f);
    EXPECT_TRUE(built.ok);
    return built.line;
}

/// Lines as the file must hold them, in the code page, each ended by CR LF.
QByteArray crlf(std::initializer_list<QByteArray> lines) {
    QByteArray all;
    for (const QByteArray &l : lines)
        all += l + "\r\n";
    return all;
}

QByteArray bytes(const QString &text) {
    return text.toLatin1();
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ActivationRecord first;
        first.number = QStringLiteral("DFCF 76054");
        first.activator = QStringLiteral("F5XYZ");
        first.name = QStringLiteral("Château de Test");
        first.canton = QStringLiteral("12");
        first.postalCode = QStringLiteral("76000");
        first.type = QStringLiteral("DFCF");
        first.date = QStringLiteral("12/02/09");
        first.commune = QStringLiteral("Rouen");
        ActivationRecord second = first;
        second.number = QStringLiteral("DIFI 76-001");
        second.name = QStringLiteral("Ile Verte");
        second.canton.clear();
        second.postalCode = QStringLiteral("76100");
        second.type = QStringLiteral("DIFI");
        second.commune = QStringLiteral("Le Havre");
        ActivationList list(dir.path());
        ASSERT_TRUE(list.append(formatActivationLine(first, 2)).ok);
        ASSERT_TRUE(list.append(formatActivationLine(second, 1)).ok);
    }
    QTemporaryDir dir;
};

const QByteArray title1 = "         DFCF du DFCF 76054 le Ch\xe2teau de Test par F5XYZ le 12/02/09";
const QByteArray place1 =
    "                   N\xb0 du Canton 12   Code Postal 76000   Commune Rouen";
const QByteArray logHeading =
    "     N\xb0    Date      QTR   Indicatif     Dpt   Prenom     RST R   E"
    "   Mode    Bande         Observations";
const QByteArray credit = "                                  Log r\xe9"
                          "alis\xe9 avec ZEP_Rozadovev Revision 1.3.7b";

TEST_F(Listing, ListingFilesByteForByte) {
    const QString a = qso("12/02/09", "10:00", "F1ABC", "7", "76");
    const QString b = qso("12/02/09", "10:05", "ON4XYZ", "14");
    struct Case {
        const char *what;
        QString reference;
        ListingVariant variant;
        QStringList body;
        int operators;
        QString fileName;
        QByteArray expected;
    };
    const Case cases[] = {
        {"single activation",
         QStringLiteral("DFCF 76054"),
         ListingVariant::Log,
         {listingItem(1, a), listingItem(2, b)},
         2,
         QStringLiteral("DFCF 76054_12_02_09.txt"),
         crlf({title1, "", place1, "", logHeading, "", "    1  " + bytes(a), "    2  " + bytes(b),
               "", "                               2 op\xe9rateurs diff\xe9rents contact\xe9s", "",
               credit})},
        {"double activation saved under its second reference",
         QStringLiteral("DIFI 76-001"),
         ListingVariant::Alpha,
         {listingItem(1, a)},
         1,
         QStringLiteral("DIFI 76-001_12_02_09 Alpha.txt"),
         crlf({"         DIFI du DIFI 76-001 le Ile Verte par F5XYZ le 12/02/09", "",
               "                   N\xb0 du Canton    Code Postal 76100   Commune Le Havre", "",
               "   N\xb0    Date     QTR   Indicatif     Dpt   Prenom     RST R   E   Mode    "
               "Bande         Observations",
               "", "    1  " + bytes(a), "",
               "                               1 op\xe9rateurs diff\xe9rents contact\xe9s", "",
               credit})},
        {"empty log",
         QStringLiteral("DFCF 76054"),
         ListingVariant::Log,
         {},
         0,
         QStringLiteral("DFCF 76054_12_02_09.txt"),
         crlf({title1, "", place1, "", logHeading, "", "",
               "                               0 op\xe9rateurs diff\xe9rents contact\xe9s", "",
               credit})},
        {"5-digit QSO number, reference missing from the list",
         QStringLiteral("TM0X"),
         ListingVariant::Log,
         {listingItem(12345, b)},
         12345,
         QStringLiteral("TM0X_12_02_09.txt"),
         crlf({"          du TM0X le  par  le ", "",
               "                   N\xb0 du Canton    Code Postal    Commune ", "", logHeading, "",
               "12345  " + bytes(b), "",
               "                               12345 op\xe9rateurs diff\xe9rents contact\xe9s", "",
               credit})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const ListingHeaderRead header = readListingHeader(dir.path(), c.reference);
        ASSERT_TRUE(header.status.ok);
        const SavedListing saved = saveListing(
            dir.path(), header.header, QStringLiteral("12/02/09"), c.variant, c.body, c.operators);
        ASSERT_TRUE(saved.status.ok) << saved.status.message.toStdString();
        EXPECT_EQ(saved.fileName, c.fileName);
        EXPECT_EQ(testfiles::bytesOf(dir.filePath(c.fileName)), c.expected);
    }
    EXPECT_EQ(listingSavedMessage(QStringLiteral("X_12_02_09.txt")),
              QStringLiteral("Le log a été sauvegardé sous le nom : X_12_02_09.txt"));
}

TEST_F(Listing, AFailedWriteKeepsTheEarlierListingAndSaysWhy) {
    ListingHeader h;
    h.number = QStringLiteral("DFCF 76054");
    ASSERT_TRUE(saveListing(dir.path(), h, QStringLiteral("12/02/09"), ListingVariant::Log, {}, 0)
                    .status.ok);
    const QString file = dir.filePath(QStringLiteral("DFCF 76054_12_02_09.txt"));
    const QByteArray before = testfiles::bytesOf(file);

    // A character the code page cannot hold, then a directory that refuses writing.
    SavedListing saved = saveListing(dir.path(), h, QStringLiteral("12/02/09"), ListingVariant::Log,
                                     {QStringLiteral("    1  \u0141")}, 1);
    EXPECT_FALSE(saved.status.ok);
    EXPECT_FALSE(saved.status.message.isEmpty());
    EXPECT_EQ(testfiles::bytesOf(file), before);

    // A file that cannot be replaced (a directory stands in its place, which stops even root).
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("DFCF 76054_12_02_09 Alpha.txt")));
    saved = saveListing(dir.path(), h, QStringLiteral("12/02/09"), ListingVariant::Alpha,
                        {QStringLiteral("    1  X")}, 1);
    EXPECT_FALSE(saved.status.ok);
    EXPECT_FALSE(saved.status.message.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Temporaire.txt"))));
    EXPECT_EQ(testfiles::bytesOf(file), before);
}

TEST(ListingFileName, DatePartAndSuffixStayInTheProgramDirectory) {
    struct Case {
        const char *number, *date;
        ListingVariant variant;
        const char *expected;
    };
    const Case cases[] = {
        {"DFCF 76054", "12/02/09", ListingVariant::Log, "DFCF 76054_12_02_09.txt"},
        {"DFCF 76054", "12/02/09", ListingVariant::Alpha, "DFCF 76054_12_02_09 Alpha.txt"},
        {" F/TM0X ", "1/2/09", ListingVariant::Log, "F_TM0X_1___0_09.txt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(
            listingFileName(QString::fromLatin1(c.number), QString::fromLatin1(c.date), c.variant),
            QString::fromLatin1(c.expected));
}

TEST(AlphaListing, SortsByCallSignThenLineThenDateAndDropsExactDuplicates) {
    const QString f1_7 = qso("13/02/09", "08:00", "F1ABC", "7");
    const QString f1_14 = qso("12/02/09", "09:00", "F1ABC", "14");
    const QString f1_3 = qso("12/02/09", "10:00", "F1ABC", "3.5");
    const QString f1p = qso("12/02/09", "11:00", "F1ABC/P", "7");
    const QString dl = qso("12/02/09", "12:00", "dl1xx", "7");
    const QString on = qso("12/02/09", "13:00", "ON4XYZ", "7");
    // Same QSO twice, and the same call sign and band on two days (day first, as text).
    const QString on2 = qso("01/03/09", "13:00", "ON4XYZ", "7");
    const QStringList log = {on, f1_7, dl, f1_14, on, f1p, f1_3, on2};
    const QStringList expected = {
        // The band stands right-aligned: "  7" before " 14" before "3.5".
        listingItem(1, dl),  listingItem(2, f1_7), listingItem(3, f1_14), listingItem(4, f1_3),
        listingItem(5, f1p), listingItem(6, on2),  listingItem(7, on),
    };
    EXPECT_EQ(alphaListingItems(log), expected);
    EXPECT_EQ(alphaSortKey(on).size(), 105);
    EXPECT_EQ(alphaSortKey(on).right(18), QLatin1Char(' ') + on.left(17));
}

} // namespace
