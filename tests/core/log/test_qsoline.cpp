#include "core/io/TextFile.h"
#include "core/log/FieldChecks.h"
#include "core/log/QsoLine.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zep;

namespace {

QsoFields ssb() {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("14:05");
    f.call = QStringLiteral("F1ABC");
    f.department = QStringLiteral("75");
    f.firstName = QStringLiteral("Jean");
    f.rstReceived = QStringLiteral("59");
    f.rstSent = QStringLiteral("57");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("7");
    f.remarks = QStringLiteral("qrp 5w");
    return f;
}

/// Characters `from`..`to` (1-based, inclusive) of a line.
QString cols(const QString &line, int from, int to) {
    return line.mid(from - 1, to - from + 1);
}

} // namespace

TEST(QsoLine, LaysEveryFieldInItsColumns) {
    const BuiltLine built = buildQsoLine(ssb());
    ASSERT_TRUE(built.ok) << built.error.toStdString();
    EXPECT_EQ(built.line, QStringLiteral("07/12/26  14:05  F1ABC         75  Jean             59  "
                                         "57  SSB     7 Mhz QRP 5W                        "));
    EXPECT_EQ(built.line.size(), 104);
    EXPECT_EQ(cols(built.line, 67, 69), QStringLiteral("  7"));
    EXPECT_EQ(cols(built.line, 70, 74), QStringLiteral(" Mhz "));
    EXPECT_EQ(cols(built.line, 53, 56), QStringLiteral("59  "));

    QsoFields cw = ssb();
    cw.mode = QStringLiteral("CW");
    cw.band = QStringLiteral("144");
    cw.rstReceived = QStringLiteral("599");
    cw.rstSent = QStringLiteral("579");
    const QString line = buildQsoLine(cw).line;
    EXPECT_EQ(cols(line, 53, 60), QStringLiteral("599 579 "));
    EXPECT_EQ(cols(line, 61, 74), QStringLiteral("CW    144 Mhz "));
    cw.band = QStringLiteral("3.5");
    EXPECT_EQ(cols(buildQsoLine(cw).line, 67, 69), QStringLiteral("3.5"));
}

TEST(QsoLine, MissingFieldsStayBlankAndTheLineKeeps104Columns) {
    QsoFields f = ssb();
    f.department.clear();
    f.firstName.clear();
    f.remarks.clear();
    const QString line = buildQsoLine(f).line;
    EXPECT_EQ(line.size(), 104);
    EXPECT_EQ(cols(line, 30, 52), QString(23, QLatin1Char(' ')));
    EXPECT_EQ(cols(line, 75, 104), QString(30, QLatin1Char(' ')));
    EXPECT_EQ(buildQsoLine(QsoFields{}).line.size(), 104);
}

TEST(QsoLine, FieldsAtTheirFullWidthFitAndOneMoreIsRefused) {
    QsoFields f = ssb();
    f.call = QStringLiteral("F/ON4ABC/QRP");         // 12
    f.firstName = QStringLiteral("Jean-Christophe"); // 15
    f.mode = QStringLiteral("RTTY");
    f.remarks = QString(30, QLatin1Char('x'));
    const BuiltLine full = buildQsoLine(f);
    ASSERT_TRUE(full.ok);
    EXPECT_EQ(full.line.size(), 104);
    EXPECT_EQ(readQsoLine(full.line).call, f.call);
    EXPECT_EQ(readQsoLine(full.line).firstName, f.firstName);
    EXPECT_EQ(readQsoLine(full.line).remarks, QString(30, QLatin1Char('X')));

    const auto refused = [&](QString QsoFields::*field, const QString &value, const char *name) {
        QsoFields g = ssb();
        g.*field = value;
        const BuiltLine b = buildQsoLine(g);
        EXPECT_FALSE(b.ok) << name;
        EXPECT_TRUE(b.line.isEmpty());
        EXPECT_TRUE(b.error.contains(QString::fromUtf8(name))) << b.error.toStdString();
    };
    refused(&QsoFields::call, QStringLiteral("F/ON4ABC/QRPX"), "Indicatif");
    refused(&QsoFields::firstName, QStringLiteral("Jean-Christophe!"), "Prénom");
    refused(&QsoFields::date, QStringLiteral("07/12/2026"), "Date");
    refused(&QsoFields::time, QStringLiteral("14:05:00"), "Heure");
    refused(&QsoFields::department, QStringLiteral("2AB"), "Département");
    refused(&QsoFields::rstReceived, QStringLiteral("5999"), "Report reçu");
    refused(&QsoFields::rstSent, QStringLiteral("5999"), "Report envoyé");
    refused(&QsoFields::mode, QStringLiteral("PSK31"), "Mode");
    refused(&QsoFields::band, QStringLiteral("1296"), "Bande");
    refused(&QsoFields::remarks, QString(31, QLatin1Char('x')), "Observations");
    refused(&QsoFields::remarks, QStringLiteral("deux\nlignes"), "Observations");
}

TEST(QsoLine, RemarksUpperCaseWithoutChangingLengthOrLeavingTheCodePage) {
    QsoFields f = ssb();
    f.remarks = QStringLiteral("éric straße µ ÿ");
    const BuiltLine b = buildQsoLine(f);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.line.size(), 104);
    // ß has no one-letter capital and the capital of µ is Greek: both stay as typed.
    EXPECT_EQ(readQsoLine(b.line).remarks, QStringLiteral("ÉRIC STRAßE µ Ÿ"));
    f.remarks = QString(29, QLatin1Char('a')) + QStringLiteral("ß");
    EXPECT_EQ(buildQsoLine(f).line.size(), 104);
    // Names are kept as typed.
    f.firstName = QStringLiteral("jean");
    EXPECT_EQ(readQsoLine(buildQsoLine(f).line).firstName, QStringLiteral("jean"));
}

TEST(QsoLine, ReadsBackWhatWasBuiltAndBlanksBeyondAShortLine) {
    const QsoFields f = ssb();
    const QsoFields r = readQsoLine(buildQsoLine(f).line);
    EXPECT_EQ(r.date, f.date);
    EXPECT_EQ(r.time, f.time);
    EXPECT_EQ(r.call, f.call);
    EXPECT_EQ(r.department, f.department);
    EXPECT_EQ(r.firstName, f.firstName);
    EXPECT_EQ(r.rstReceived, f.rstReceived);
    EXPECT_EQ(r.rstSent, f.rstSent);
    EXPECT_EQ(r.mode, f.mode);
    EXPECT_EQ(r.band, f.band);
    EXPECT_EQ(r.remarks, QStringLiteral("QRP 5W"));

    const QsoFields cut = readQsoLine(QStringLiteral("07/12/26  14:05  F1AB"));
    EXPECT_EQ(cut.call, QStringLiteral("F1AB"));
    EXPECT_TRUE(cut.department.isEmpty());
    EXPECT_TRUE(cut.remarks.isEmpty());
    EXPECT_TRUE(readQsoLine(QString()).date.isEmpty());
}

TEST(QsoLine, ListItemsNumberRightAlignedInFourColumns) {
    const QString line = buildQsoLine(ssb()).line;
    EXPECT_EQ(qsoListItem(1, line), QStringLiteral("   1  ") + line);
    EXPECT_EQ(qsoListItem(10, line).left(6), QStringLiteral("  10  "));
    EXPECT_EQ(qsoListItem(100, line).left(6), QStringLiteral(" 100  "));
    EXPECT_EQ(qsoListItem(9999, line).left(6), QStringLiteral("9999  "));
    EXPECT_EQ(qsoListItem(9999, line).size(), 110);
    // Each field starts 6 columns further right than in the line.
    EXPECT_EQ(qsoListItem(1, line).mid(23, 5), QStringLiteral("F1ABC"));
    // No digit is ever lost past 9999: the item grows.
    EXPECT_EQ(qsoListItem(10000, line).left(7), QStringLiteral("10000  "));
    // Each item gives back its line and its number, whatever the number's width.
    for (const int number : {1, 9999, 10000, 10001, 123456}) {
        const QString item = qsoListItem(number, line);
        QStringView digits;
        EXPECT_EQ(qsoLineOfItem(item, &digits), line) << number;
        EXPECT_EQ(digits, QString::number(number));
    }

    // A log that grew gets the items of its new lines, numbered on from the last.
    QStringList items;
    appendQsoListItems(items, QStringList(9, line));
    appendQsoListItems(items, QStringList(100, line));
    ASSERT_EQ(items.size(), 100);
    EXPECT_EQ(items.first().left(6), QStringLiteral("   1  "));
    EXPECT_EQ(items.at(9).left(6), QStringLiteral("  10  "));
    EXPECT_EQ(items.last().left(6), QStringLiteral(" 100  "));
}

TEST(QsoLine, OrderingExpandsTwoDigitYearsAroundFifty) {
    struct Case {
        const char *date, *time;
        std::optional<qint64> ordering; ///< yyyymmddhhmm
    };
    const Case cases[] = {
        {"31/12/99", "23:59", 199912312359},
        {"01/01/00", "00:00", 200001010000},
        {"01/01/49", "00:00", 204901010000},
        {"01/01/50", "00:00", 195001010000},
        {"02/03/09", "10:00", 200903021000}, // day first
        {"29/02/24", "10:00", 202402291000},
        // Shapes the field checks let through but no calendar or clock holds.
        {"29/02/23", "10:00", std::nullopt},
        {"31/02/09", "10:00", std::nullopt},
        {"01/02/09", "25:61", std::nullopt},
        {"", "", std::nullopt},
        {"1/2/2009", "10:00", std::nullopt},
    };
    for (const Case &c : cases) {
        QsoFields f = ssb();
        f.date = QString::fromLatin1(c.date);
        f.time = QString::fromLatin1(c.time);
        const QString line = buildQsoLine(f).line;
        EXPECT_EQ(qsoOrderingNumber(line), c.ordering) << c.date << ' ' << c.time;
        QByteArray bytes;
        ASSERT_TRUE(cp1252::encode(line, bytes));
        EXPECT_EQ(qsoOrderingNumber(QByteArrayView(bytes)), c.ordering) << c.date;
    }
    EXPECT_FALSE(qsoOrderingNumber(QStringLiteral("07/12/26  14")));
}

TEST(FieldChecks, DateAndTimeShapesOnly) {
    EXPECT_TRUE(hasDateShape(QStringLiteral("31/02/09")));
    EXPECT_TRUE(hasDateShape(QStringLiteral("00/00/00")));
    EXPECT_FALSE(hasDateShape(QStringLiteral("1/2/09")));
    EXPECT_FALSE(hasDateShape(QStringLiteral("01-02-09")));
    EXPECT_FALSE(hasDateShape(QStringLiteral("01/02/2009")));
    EXPECT_FALSE(hasDateShape(QStringLiteral("0a/02/09")));
    EXPECT_FALSE(hasDateShape(QStringLiteral("01/02/0٩"))); // a digit of another script
    EXPECT_FALSE(hasDateShape(QString()));

    EXPECT_TRUE(hasTimeShape(QStringLiteral("25:61")));
    EXPECT_TRUE(hasTimeShape(QStringLiteral("09:30")));
    EXPECT_FALSE(hasTimeShape(QStringLiteral("9:30")));
    EXPECT_FALSE(hasTimeShape(QStringLiteral("09h30")));
    EXPECT_FALSE(hasTimeShape(QStringLiteral("09:3 ")));
    EXPECT_FALSE(hasTimeShape(QStringLiteral("09:300")));
}
