#include "core/io/TextFile.h"
#include "core/log/QsoLine.h"
#include "core/reports/TrafficReport.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {

QByteArray logLine(const QsoFields &f) {
    const BuiltLine built = buildQsoLine(f);
    EXPECT_TRUE(built.ok) << built.error.toStdString();
    QByteArray bytes;
    EXPECT_TRUE(cp1252::encode(built.line, bytes));
    return bytes;
}

QsoFields full() {
    QsoFields f;
    f.date = QStringLiteral("14/01/06");
    f.time = QStringLiteral("08:35");
    f.call = QStringLiteral("F5XYZ/P");
    f.department = QStringLiteral("2A");
    f.firstName = QStringLiteral("Hervé");
    f.rstReceived = QStringLiteral("599");
    f.rstSent = QStringLiteral("579");
    f.mode = QStringLiteral("CW");
    f.band = QStringLiteral("7");
    f.remarks = QStringLiteral("qrp");
    return f;
}

/// Columns `from`..`to` (1-based, inclusive).
QByteArray cols(const QByteArray &line, int from, int to) {
    return line.mid(from - 1, to - from + 1);
}

} // namespace

TEST(TrafficReport, LaysTheQsoOutIn199Columns) {
    // Built column by column from the layout, so that a shift of any field shows.
    QByteArray expected;
    expected += "14/01/06";                  // 1-8 date
    expected += "  ";                        // 9-10
    expected += "F5XYZ/P     ";              // 11-22 call sign
    expected += "08:35";                     // 23-27 time
    expected += "  ";                        // 28-29
    expected += "08:35";                     // 30-34 time again
    expected += "  ";                        // 35-36
    expected += "2A";                        // 37-38 department
    expected += QByteArray(11, ' ');         // 39-49
    expected += "7.0 Mhz ";                  // 50-57 band
    expected += "  ";                        // 58-59
    expected += "CW  ";                      // 60-63 mode
    expected += QByteArray(5, ' ');          // 64-68
    expected += "599";                       // 69-71 report received
    expected += QByteArray(7, ' ');          // 72-78
    expected += "579";                       // 79-81 report sent
    expected += QByteArray(29, ' ');         // 82-110
    expected += "Herv\xe9          ";        // 111-125 first name, in the code page
    expected += QByteArray(9, ' ');          // 126-134
    expected += "1 ";                        // 135-136
    expected += QByteArray(28, ' ');         // 137-164
    expected += "0 ";                        // 165-166
    expected += "  ";                        // 167-168
    expected += "QRP" + QByteArray(27, ' '); // 169-198 remarks
    expected += "*";                         // 199
    ASSERT_EQ(expected.size(), ctf::lineLength);
    EXPECT_EQ(ctf::line(logLine(full())), expected);
}

TEST(TrafficReport, EveryLineKeeps199Columns) {
    struct Case {
        const char *what;
        QByteArray qsoLine;
        QByteArray band; // columns 50-57
    };
    QsoFields bare = full();
    bare.department.clear();
    bare.firstName.clear();
    bare.remarks.clear();
    QsoFields top = full();
    top.band = QStringLiteral("144");
    QsoFields low = bare;
    low.band = QStringLiteral("1.8");
    QByteArray unknownBand = logLine(full());
    unknownBand.replace(66, 3, "432");
    const Case cases[] = {
        {"no department, first name or remarks", logLine(bare), "7.0 Mhz "},
        {"144 MHz", logLine(top), "144 Mhz "},
        {"1.8 MHz", logLine(low), "1.8 Mhz "},
        {"band without a row", unknownBand, QByteArray(8, ' ')},
        {"line cut after the band", logLine(full()).left(74), "7.0 Mhz "},
        {"line cut inside the call sign", logLine(full()).left(20), QByteArray(8, ' ')},
    };
    for (const Case &c : cases) {
        const QByteArray line = ctf::line(c.qsoLine);
        EXPECT_EQ(line.size(), ctf::lineLength) << c.what;
        EXPECT_EQ(cols(line, 50, 57), c.band) << c.what;
        EXPECT_EQ(cols(line, 135, 136), "1 ") << c.what;
        EXPECT_EQ(cols(line, 165, 166), "0 ") << c.what;
        EXPECT_EQ(line.right(1), "*") << c.what;
    }
}

TEST(TrafficReport, EveryBandOfTheEntryListHasItsTextInColumns50To57) {
    // The texts are written out here, not taken from the code's table, so that a row shifted
    // by a column, a missing row or a wrong unit shows.
    const std::pair<const char *, QByteArray> rows[] = {
        {"1.8", "1.8 Mhz "}, {"3.5", "3.5 Mhz "}, {"7", "7.0 Mhz "},   {"10", "10 Mhz  "},
        {"14", "14 Mhz  "},  {"18", "18 Mhz  "},  {"21", "21 Mhz  "},  {"24", "24 Mhz  "},
        {"28", "28 Mhz  "},  {"50", "50 Mhz  "},  {"144", "144 Mhz "},
    };
    QByteArray log;
    for (const auto &[number, text] : rows) {
        QsoFields f = full();
        f.band = QString::fromLatin1(number);
        const QByteArray line = ctf::line(logLine(f));
        EXPECT_EQ(cols(line, 50, 57), text) << "band " << number;
        EXPECT_EQ(cols(line, 58, 63), "  CW  ") << "band " << number;
        log += logLine(f) + "\r\n";
    }
    // The whole file carries the same texts, line by line.
    const QByteArray document = ctf::document(log);
    ASSERT_EQ(document.size(), qsizetype(std::size(rows)) * (ctf::lineLength + 2));
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(document.mid(qsizetype(i) * (ctf::lineLength + 2) + 49, 8), rows[i].second)
            << "line " << i + 1;
}

TEST(TrafficReport, OneLinePerQsoLineAndNothingForAnEmptyLog) {
    EXPECT_TRUE(ctf::document({}).isEmpty());
    const QByteArray a = logLine(full());
    QsoFields other = full();
    other.call = QStringLiteral("ON4XY");
    other.band = QStringLiteral("144");
    const QByteArray b = logLine(other);
    EXPECT_EQ(ctf::document(a + "\r\n" + b + "\r\n"),
              ctf::line(a) + "\r\n" + ctf::line(b) + "\r\n");
    // LF line ends, a blank line and a last line without its end, as a hand edit leaves them.
    EXPECT_EQ(ctf::document(a + "\n\r\n" + b), ctf::line(a) + "\r\n" + ctf::line(b) + "\r\n");
    EXPECT_EQ(ctf::fileName(QStringLiteral(" DFCF-21-001 ")), QStringLiteral("DFCF-21-001.ctf"));
}
