#include "core/io/SortedList.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zep;

namespace {

QString qso(const char *call, const char *dpt, const char *band, const char *mode) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("10:00");
    f.call = QString::fromUtf8(call);
    f.department = QString::fromLatin1(dpt);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.band = QString::fromLatin1(band);
    f.mode = QString::fromLatin1(mode);
    return buildQsoLine(f).line;
}

std::vector<int> worked(const std::array<bool, 100> &labels) {
    std::vector<int> out;
    for (int i = 0; i < 100; ++i)
        if (labels[i])
            out.push_back(i);
    return out;
}

} // namespace

TEST(SortedList, CaseBlindWholeTextAndStableForEqualEntries) {
    QStringList entries = {"f5xyz", "F1ABC/P     ", "F1ABC       ", "ON4AA", "F5XYZ", "9A1A"};
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString &a, const QString &b) { return sortedListLess(a, b); });
    // The padding blank sorts before "/"; "f5xyz" and "F5XYZ" stay in their order of arrival.
    EXPECT_EQ(entries,
              (QStringList{"9A1A", "F1ABC       ", "F1ABC/P     ", "f5xyz", "F5XYZ", "ON4AA"}));
}

TEST(SortedList, OrdersAsCaseInsensitiveTextComparison) {
    const QStringList texts = {"",    "a", "A", "ab", "AB ", "a/b", "a_b",    "a[b",   "a`b",
                               "a{b", "é", "É", "e",  "ê",   "Œuf", "œuf",    "ß",     "SS",
                               "ÿ",   "Ÿ", "µ", "Μ",  "İ",   "i",   "F1ABC ", "f1abc", "F1ABC/P"};
    for (const QString &a : texts)
        for (const QString &b : texts) {
            const int want = QString::compare(a, b, Qt::CaseInsensitive);
            const int got = sortedListCompare(a, b);
            EXPECT_EQ(got < 0, want < 0) << a.toStdString() << " / " << b.toStdString();
            EXPECT_EQ(got == 0, want == 0) << a.toStdString() << " / " << b.toStdString();
        }
}

TEST(OperatorCount, DistinctCallSignsSortedOncePerStation) {
    EXPECT_EQ(countOperators({}).count, 0);
    EXPECT_TRUE(countOperators({}).operators.isEmpty());

    const QStringList log = {
        qso("ON4AA", "", "14", "SSB"),   qso("F1ABC", "75", "7", "SSB"),
        qso("F1ABC/P", "", "7", "SSB"),  qso("F1ABC", "75", "14", "SSB"),
        qso("F1ABC", "75", "3.5", "CW"), qso("", "", "7", "SSB"),
        qso("DL1XX", "", "7", "CW"),
    };
    const OperatorCount ops = countOperators(log);
    EXPECT_EQ(ops.operators, (QStringList{"DL1XX", "F1ABC", "F1ABC/P", "ON4AA"}));
    EXPECT_EQ(ops.count, 4);
    // Mixed case, accents and signs come out in the sorted list boxes' order; two spellings
    // of one call sign that differ by case stay two operators.
    const char *mixed[] = {"f1abc", "F1ABC/P", "é1x",  "F1ABC", "E1X", "F1ABC-1",
                           "f1abc", "Z9Z",     "9A1A", "F_1",   "F[1"};
    QStringList mixedLog, fields;
    for (const char *call : mixed) {
        mixedLog.append(qso(call, "", "7", "SSB"));
        fields.append(mixedLog.last().mid(17, 12));
    }
    std::stable_sort(fields.begin(), fields.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    QStringList expected;
    for (const QString &f : fields)
        if (expected.isEmpty() || expected.last() != f.trimmed())
            expected.append(f.trimmed());
    EXPECT_EQ(countOperators(mixedLog).operators, expected);
    EXPECT_EQ(countOperators(mixedLog).count, expected.size());
    EXPECT_TRUE(expected.contains(QStringLiteral("é1x")));

    // A line cut short still gives what its call-sign columns hold.
    EXPECT_EQ(countOperators({QStringLiteral("07/12/26  10:00  F6SHORT")}).operators,
              QStringList{"F6SHORT"});
}

TEST(DepartmentSlot, CorsicaAndDigitsAndNothingForBlanks) {
    EXPECT_EQ(departmentSlot(QStringLiteral("2A")), 96);
    EXPECT_EQ(departmentSlot(QStringLiteral("2a")), 96);
    EXPECT_EQ(departmentSlot(QStringLiteral("2B")), 97);
    EXPECT_EQ(departmentSlot(QStringLiteral("2b")), 97);
    EXPECT_EQ(departmentSlot(QStringLiteral("00")), 0);
    EXPECT_EQ(departmentSlot(QStringLiteral("20")), 20);
    EXPECT_EQ(departmentSlot(QStringLiteral("95")), 95);
    EXPECT_EQ(departmentSlot(QStringLiteral("07")), 7);
    EXPECT_EQ(departmentSlot(QStringLiteral("7 ")), 7);
    EXPECT_EQ(departmentSlot(QStringLiteral("99")), 99);
    EXPECT_FALSE(departmentSlot(QStringLiteral("  ")));
    EXPECT_FALSE(departmentSlot(QStringLiteral(" 7")));
    EXPECT_FALSE(departmentSlot(QStringLiteral("A1")));
    EXPECT_FALSE(departmentSlot(QString()));
}

TEST(DepartmentPainting, MapAndStripFollowTheirOwnBandAndMode) {
    const DepartmentsWorked none = Colore_Departements({}, "7", "SSB", "7", "SSB");
    EXPECT_TRUE(worked(none.map).empty());
    EXPECT_TRUE(worked(none.strip).empty());
    EXPECT_EQ(none.mapCount, 0);

    const QStringList log = {
        qso("F1AAA", "2A", "7", "SSB"), qso("F1BBB", "2a", "7", "SSB"),
        qso("F1CCC", "75", "7", "SSB"), qso("F1CCC", "75", "7", "SSB"),
        qso("F1DDD", "", "7", "SSB"),   qso("F1EEE", "13", "14", "SSB"),
        qso("F1FFF", "33", "7", "CW"),  qso("F1GGG", "00", "7", "SSB"),
        qso("F1HHH", "20", "7", "SSB"), qso("F1III", "2b", "14", "SSB"),
    };
    const DepartmentsWorked d = Colore_Departements(log, "7", "SSB", "14", "SSB");
    EXPECT_EQ(worked(d.map), (std::vector<int>{0, 20, 75, 96}));
    // Label 0 is hidden and not counted; the hidden label 20 is.
    EXPECT_EQ(d.mapCount, 3);
    EXPECT_EQ(worked(d.strip), (std::vector<int>{13, 97}));

    // The entry band and mode may arrive with blanks around them; comparisons keep case.
    const DepartmentsWorked cw = Colore_Departements(log, "7", "cw", " 7 ", "CW ");
    EXPECT_TRUE(worked(cw.map).empty());
    EXPECT_EQ(worked(cw.strip), (std::vector<int>{33}));
}

TEST(DepartmentPainting, DepartmentsBeyondTheStripShowOnTheMapOnly) {
    const QStringList log = {qso("F1AAA", "98", "7", "SSB"), qso("F1BBB", "99", "7", "SSB")};
    const DepartmentsWorked d = Colore_Departements(log, "7", "SSB", "7", "SSB");
    EXPECT_EQ(worked(d.map), (std::vector<int>{98, 99}));
    EXPECT_EQ(d.mapCount, 2);
    EXPECT_TRUE(worked(d.strip).empty());
}
