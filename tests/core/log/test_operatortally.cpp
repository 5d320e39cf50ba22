// The operator list and count kept as the log changes must always be those of the whole log,
// whatever the log holds (hand-edited call signs, letters in either case, blank fields, cut
// lines) and however it changed since it was last counted.

#include "core/log/OperatorTally.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"
#include "support/ShownOperators.h"

#include <gtest/gtest.h>

#include <memory>

using namespace zep;

namespace {

QString qso(const QString &callField) {
    // The call-sign columns as they stand in the file, padding or not.
    return QStringLiteral("07/12/26  14:05  ") + callField.leftJustified(12) +
           QStringLiteral("  75  Jean             59  59  SSB    14 Mhz");
}

/// A log as its readings give it: each change is a new version, recorded as the log's cache
/// records it.
class Journal {
public:
    const QStringList &lines() const { return lines_; }
    void change(qsizetype at, qsizetype removed, const QStringList &added) {
        LogChange c{at, lines_.mid(at, removed), added};
        lines_ = lines_.first(at) + added + lines_.mid(at + removed);
        journal_->append({version_, c});
        ++version_;
    }
    /// The reading of the last version; `forget` drops the changes recorded so far.
    LogReading reading(bool forget = false) {
        if (forget)
            journal_->clear();
        return {
            lines_, version_,
            [journal = journal_, now = version_](quint64 since) -> std::optional<QList<LogChange>> {
                QList<LogChange> changes;
                for (const auto &[from, c] : *journal)
                    if (from >= since && from < now)
                        changes.append(c);
                if (since != now && (changes.isEmpty() || journal->first().first > since))
                    return std::nullopt;
                return changes;
            }};
    }

private:
    QStringList lines_;
    quint64 version_ = 100;
    std::shared_ptr<QList<std::pair<quint64, LogChange>>> journal_ =
        std::make_shared<QList<std::pair<quint64, LogChange>>>();
};

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
        Journal log;
        OperatorTally tally;
        zep::testing::ShownOperators shown;
        for (const QString &call : c.calls) {
            log.change(log.lines().size(), 0, {qso(call)});
            EXPECT_EQ(shown.follow(tally, log.reading()), countOperators(log.lines()).count)
                << log.lines().size();
            EXPECT_EQ(shown.rows, countOperators(log.lines()).operators);
        }
        // Two QSOs at once, and lines cut before or inside the call-sign columns.
        log.change(log.lines().size(), 0,
                   {QStringLiteral("07/12/26  14:05"), QStringLiteral("07/12/26  14:05  F9Z")});
        EXPECT_EQ(shown.follow(tally, log.reading()), countOperators(log.lines()).count);
        EXPECT_EQ(shown.rows, countOperators(log.lines()).operators);
        EXPECT_EQ(tally.operators(), shown.rows);
    }
}

TEST(OperatorTally, ALogChangedAnyWayIsCountedAsAWholeCountWould) {
    // Each change is made to a log of stations in both cases and on several bands, then the
    // kept count must be the whole count, once counted and when counted again.
    const QStringList calls = {"F1ABC", "f1abc", "G3XYZ", "F1ABC", "DL1AA", "F1AbC", "G3XYZ"};
    struct Case {
        const char *what;
        qsizetype at, removed;
        QStringList added;
        bool forget; ///< the way from the last count is lost: counted whole
    };
    const Case cases[] = {
        {"a call sign corrected into another one", 2, 1, {qso("F1ABC")}, false},
        {"a call sign corrected into a new one", 0, 1, {qso("EA1A")}, false},
        {"the case of a call sign changed", 1, 1, {qso("F1ABC")}, false},
        {"two QSOs edited at once", 3, 2, {qso("G3XYZ"), qso("")}, false},
        {"a QSO deleted", 1, 1, {}, false},
        {"a QSO inserted", 2, 0, {qso("ON4ZZ")}, false},
        {"the whole log replaced", 0, 7, {qso("EA1A")}, false},
        {"an edit whose way is lost", 2, 1, {qso("F1ABC")}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Journal log;
        QStringList lines;
        for (const QString &call : calls)
            lines << qso(call);
        log.change(0, 0, lines);
        OperatorTally tally;
        zep::testing::ShownOperators shown;
        ASSERT_EQ(shown.follow(tally, log.reading()), countOperators(log.lines()).count);
        log.change(c.at, c.removed, c.added);
        const LogReading now = log.reading(c.forget);
        EXPECT_EQ(shown.follow(tally, now), countOperators(log.lines()).count);
        EXPECT_EQ(shown.rows, countOperators(log.lines()).operators);
        EXPECT_EQ(shown.whole, c.forget) << "only a change whose way is lost is counted whole";
        EXPECT_EQ(tally.count(now), countOperators(log.lines()).count) << "and stays so";
        // Lines that come from no reading are counted whole.
        EXPECT_EQ(tally.count(lines), countOperators(lines).count);
    }
}
