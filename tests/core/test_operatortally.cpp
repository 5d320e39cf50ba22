// The operator count kept as the log grows must always be the count of the whole log, whatever
// the log holds (hand-edited call signs, letters in either case, blank fields, cut lines).

#include "core/OperatorTally.h"
#include "core/QsoLine.h"
#include "core/Statistics.h"

#include <gtest/gtest.h>

using namespace zep;

namespace {

QString qso(const QString &callField) {
    // The call-sign columns as they stand in the file, padding or not.
    return QStringLiteral("07/12/26  14:05  ") + callField.leftJustified(12) +
           QStringLiteral("  75  Jean             59  59  SSB    14 Mhz");
}

} // namespace

TEST(OperatorTally, CountingAsTheLogGrowsGivesTheCountOfTheWholeLog) {
    struct Case {
        const char *what;
        QStringList calls;
    };
    const Case cases[] = {
        {"one station on several bands, and its portable call",
         {"F1ABC", "G3XYZ", "F1ABC", "F1ABC/P", "G3XYZ", "F1ABC"}},
        {"letters in either case", {"f1abc", "F1ABC", "F1ABC", "f1abc", "F1AbC", "ON4ZZ"}},
        {"blank call signs count for nobody", {"", "F1ABC", "", "", "DL1AA"}},
        {"a call sign moved off its column", {"F1ABC", " F1ABC", "F1ABC", "  F1ABC", "EA1A"}},
        {"accented and long call signs", {"F/ON4ABC/QRP", "É1ABC", "e1abc", "F/ON4ABC/QRP"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QStringList log;
        OperatorTally tally;
        for (const QString &call : c.calls) {
            log.append(qso(call));
            EXPECT_EQ(tally.count(log, 7), Compte_Operateurs(log).count) << log.size();
        }
        // Two QSOs at once, and lines cut before or inside the call-sign columns.
        log << QStringLiteral("07/12/26  14:05") << QStringLiteral("07/12/26  14:05  F9Z");
        EXPECT_EQ(tally.count(log, 7), Compte_Operateurs(log).count);
    }
}

TEST(OperatorTally, ALogChangedOtherwiseThanByGrowingIsCountedAgain) {
    const QStringList before = {qso(QStringLiteral("F1ABC")), qso(QStringLiteral("G3XYZ")),
                                qso(QStringLiteral("DL1AA"))};
    QStringList edited = before;
    edited[1] = qso(QStringLiteral("F1ABC")); // a call sign corrected into another one
    struct Case {
        const char *what;
        QStringList lines;
        quint64 lineage;
        int expected;
    };
    const Case cases[] = {
        {"a new lineage (a QSO edited)", edited, 8, 2},
        {"no lineage (a log that cannot be read)", edited, 0, 2},
        {"the same lineage but fewer lines", before.mid(0, 1), 7, 1},
        {"another log", {qso(QStringLiteral("EA1A"))}, 9, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        OperatorTally tally;
        ASSERT_EQ(tally.count(before, 7), 3);
        EXPECT_EQ(tally.count(c.lines, c.lineage), c.expected);
        EXPECT_EQ(tally.count(c.lines, c.lineage), c.expected); // and stays so
    }
}
