// The "Validité" of a reference: the shipped rules file is read as its rows say, the operator's
// minimum takes the file's place, and the count kept as the log changes is always the count a
// plain scan of the whole log gives, for every way of counting a programme has.

#include "core/awards/ActivationRules.h"
#include "core/awards/ValidityCount.h"
#include "core/io/Settings.h"
#include "support/QsoLines.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSet>

#include <memory>

using namespace zep;
using zep::testing::qsoLineOf;

namespace {

/// A log as its readings give it, each change recorded as the log's cache records it.
class Journal {
public:
    const QStringList &lines() const { return lines_; }
    void change(qsizetype at, qsizetype removed, const QStringList &added) {
        journal_->append({version_, LogChange{at, lines_.mid(at, removed), added}});
        lines_ = lines_.first(at) + added + lines_.mid(at + removed);
        ++version_;
    }
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

/// The count as a person counts it on paper: the set of what makes two QSOs one, over the
/// whole log or over the latest day of the log.
int countByHand(const QStringList &lines, const ProgrammeRule &rule) {
    QString latestDay;
    qint64 latest = -1;
    for (const QString &line : lines) {
        const QsoFields f = readQsoLine(line);
        if (f.call.isEmpty())
            continue;
        const auto when = qsoOrderingNumber(line);
        const qint64 day = when ? *when / 10000 : 0;
        if (day > latest)
            latest = day;
    }
    QSet<QString> seen;
    for (const QString &line : lines) {
        const QsoFields f = readQsoLine(line);
        if (f.call.isEmpty())
            continue;
        const auto when = qsoOrderingNumber(line);
        if (rule.perDay && (when ? *when / 10000 : 0) != latest)
            continue;
        seen.insert(rule.perBandAndMode ? f.call.toUpper() + u'|' + f.band + u'|' + f.mode.toUpper()
                                        : f.call.toUpper());
    }
    return int(seen.size());
}

ProgrammeRule ruleOf(bool perBandAndMode, bool perDay) {
    ProgrammeRule r;
    r.programme = QStringLiteral("X");
    r.perBandAndMode = perBandAndMode;
    r.perDay = perDay;
    return r;
}

} // namespace

TEST(ActivationRules, TheShippedFileGivesEachProgrammeItsPublishedRule) {
    const ActivationRules rules = ActivationRules::builtIn();
    EXPECT_TRUE(rules.skippedLines().isEmpty());
    struct Case {
        const char *reference;
        const char *programme;
        std::optional<int> minimum;
        bool perBandAndMode, perDay;
    };
    const Case cases[] = {
        {"FFF-0123", "WWFF", 44, true, false},
        {"ONFF-0001", "WWFF", 44, true, false},
        {"F-0123", "POTA", 10, true, true},
        {"K-10817", "POTA", 10, true, true},
        {"F/AM-001", "SOTA", 4, false, false},
        {"DFCF 76054", "DFCF", 100, true, false},
        {"dfcf-21-001", "DFCF", 100, true, false},
        {"DCF-001", "DCF", 75, true, false},
        {"DMF 12345", "DMF", std::nullopt, true, false},
        {"XYZ 123", "XYZ", std::nullopt, true, false}, // a programme the file does not name
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reference);
        const ProgrammeRule r = rules.ruleFor(QString::fromUtf8(c.reference), nullptr);
        EXPECT_EQ(r.programme, QString::fromUtf8(c.programme));
        EXPECT_EQ(r.minimum, c.minimum);
        EXPECT_EQ(r.perBandAndMode, c.perBandAndMode);
        EXPECT_EQ(r.perDay, c.perDay);
    }
    for (const ProgrammeRule &r : rules.rules())
        EXPECT_TRUE(r.source.contains(QStringLiteral("http"))) << r.programme.toStdString();
}

TEST(ActivationRules, RowsThatCannotBeReadAreSkippedAndNamed) {
    const QByteArray file = "# comment\n"
                            "AAA;10;indicatif;activation;http://a ; with a semicolon\n"
                            "BBB;-3;indicatif;activation;http://b\n"    // 3: no minimum
                            "CCC;12;per call;activation;http://c\n"     // 4: unknown counting
                            "DDD;12;indicatif;semaine;http://d\n"       // 5: unknown period
                            "EEE;12;indicatif\n"                        // 6: cut row
                            "aaa;5;indicatif;activation;http://again\n" // 7: twice
                            "\n"
                            "FFF;?;indicatif+bande+mode;jour;http://f\r\n";
    const ActivationRules rules = ActivationRules::parse(file);
    EXPECT_EQ(rules.skippedLines(), (QList<int>{3, 4, 5, 6, 7}));
    ASSERT_EQ(rules.rules().size(), 2);
    EXPECT_EQ(rules.rules()[0].source, QStringLiteral("http://a ; with a semicolon"));
    EXPECT_EQ(rules.rules()[1].minimum, std::nullopt);
    EXPECT_TRUE(rules.rules()[1].perDay);
    EXPECT_TRUE(
        ActivationRules::parse(QByteArray(ActivationRules::maxFileBytes + 1, '#')).tooLarge());
}

TEST(ActivationRules, TheOperatorsMinimumTakesThePlaceOfTheFilesWhenItIsOne) {
    struct Case {
        const char *setting;
        std::optional<int> minimum; ///< for WWFF, whose file minimum is 44
    };
    const Case cases[] = {
        {"", 44},           {"50", 50},         {" 30 ", 30}, {"0", std::nullopt},
        {"-5", 44},         {"abc", 44},        {"1e3", 44},  {"100001", 44},
        {"100000", 100000}, {"4294967297", 44}, // would wrap a 32-bit number
    };
    const ActivationRules rules = ActivationRules::builtIn();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.setting);
        MemorySettingsStore settings;
        settings.write(QStringLiteral("Validite WWFF"), QString::fromUtf8(c.setting));
        EXPECT_EQ(rules.ruleFor(QStringLiteral("FFF-0123"), &settings).minimum, c.minimum);
    }
    // A programme the file does not know gets the operator's minimum too.
    MemorySettingsStore settings;
    settings.write(QStringLiteral("Validite XYZ"), QStringLiteral("7"));
    EXPECT_EQ(rules.ruleFor(QStringLiteral("XYZ 12"), &settings).minimum, 7);
}

TEST(ValidityCount, EachProgrammeCountsItsOwnDuplicates) {
    // The same QSOs, counted by each way a programme counts.
    const QStringList log = {
        qsoLineOf("10/12/26", "09:00", "F1ABC", "76", "", "SSB", "7"),
        qsoLineOf("10/12/26", "09:01", "F1ABC", "76", "", "SSB", "7"),  // a duplicate
        qsoLineOf("10/12/26", "09:02", "f1abc", "76", "", "CW", "7"),   // another mode
        qsoLineOf("10/12/26", "09:03", "F1ABC", "76", "", "SSB", "14"), // another band
        qsoLineOf("10/12/26", "09:04", "F1ABC/P", "76", "", "SSB", "7"),
        qsoLineOf("10/12/26", "09:05", "", "", "", "SSB", "7"),        // no call: no QSO
        qsoLineOf("11/12/26", "00:01", "F1ABC", "76", "", "SSB", "7"), // the next UTC day
        qsoLineOf("11/12/26", "00:02", "G3XYZ", "", "", "FT8", "14"),
    };
    struct Case {
        bool perBandAndMode, perDay;
        int count;
    };
    const Case cases[] = {
        {false, false, 3}, // F1ABC, F1ABC/P, G3XYZ
        {true, false, 5},  // F1ABC on 7 SSB, 7 CW, 14 SSB; F1ABC/P; G3XYZ
        {true, true, 2},   // the 11th: F1ABC and G3XYZ
        {false, true, 2},
    };
    for (const Case &c : cases) {
        const ProgrammeRule rule = ruleOf(c.perBandAndMode, c.perDay);
        EXPECT_EQ(countValidity(log, {{"R", rule, 0}})[0].count, c.count)
            << c.perBandAndMode << c.perDay;
        EXPECT_EQ(countByHand(log, rule), c.count) << "the hand count agrees";
    }
}

TEST(ValidityCount, TheKeptCountIsTheWholeLogsCountAfterEveryChange) {
    // Random validations, corrections, deletions and insertions, some with their way lost,
    // on a log of a few stations that cross midnight UTC: after each, every rule's kept count
    // is the hand count of the whole log.
    const QStringList calls = {"F1ABC", "f1abc", "G3XYZ", "DL1AA", "F1ABC/P", ""};
    const QStringList bands = {"7", "14"}, modes = {"SSB", "CW"};
    const QStringList days = {"10/12/26", "11/12/26"};
    QRandomGenerator random(38);
    auto randomLine = [&] {
        return qsoLineOf(days[random.bounded(2)],
                         QStringLiteral("%1:%2")
                             .arg(random.bounded(24), 2, 10, QChar(u'0'))
                             .arg(random.bounded(60), 2, 10, QChar(u'0')),
                         calls[random.bounded(int(calls.size()))], "", "", modes[random.bounded(2)],
                         bands[random.bounded(2)]);
    };
    const QList<ProgrammeRule> rules = {ruleOf(false, false), ruleOf(true, false),
                                        ruleOf(true, true), ruleOf(false, true)};
    QList<ReferenceValidity> references;
    for (const ProgrammeRule &r : rules)
        references.append({QStringLiteral("R"), r, 0});
    Journal log;
    ValidityFollower follower;
    follower.setReferences(references);
    for (int step = 0; step < 600; ++step) {
        const qsizetype size = log.lines().size();
        const int kind = size == 0 ? 0 : random.bounded(4);
        if (kind == 0) // a QSO validated
            log.change(size, 0, {randomLine()});
        else if (kind == 1) // corrected
            log.change(random.bounded(qsizetype(size)), 1, {randomLine()});
        else if (kind == 2) // deleted
            log.change(random.bounded(qsizetype(size)), 1, {});
        else // inserted, two at once
            log.change(random.bounded(qsizetype(size)), 0, {randomLine(), randomLine()});
        follower.follow(log.reading(random.bounded(20) == 0));
        const QList<ReferenceValidity> shown = follower.figures();
        for (qsizetype i = 0; i < rules.size(); ++i)
            ASSERT_EQ(shown[i].count, countByHand(log.lines(), rules[i]))
                << "step " << step << " rule " << i;
    }
}

TEST(ValidityCount, TheLineShowsEachReferenceWithItsMinimumWhenKnown) {
    ProgrammeRule wwff = ruleOf(true, false), pota = ruleOf(true, true), dmf = ruleOf(true, false);
    wwff.minimum = 44;
    pota.minimum = 10;
    struct Case {
        QList<ReferenceValidity> figures;
        const char *text;
        bool firstReached;
    };
    const Case cases[] = {
        {{{"FFF-0123", wwff, 12}, {"F-0123", pota, 12}},
         "Validité : FFF-0123 12/44, F-0123 12/10",
         false},
        {{{"FFF-0123", wwff, 44}}, "Validité : FFF-0123 44/44", true},
        {{{"DMF 12345", dmf, 12}}, "Validité : DMF 12345 12", false},
        {{}, "", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(validityText(c.figures), QString::fromUtf8(c.text));
        if (!c.figures.isEmpty()) {
            EXPECT_EQ(c.figures[0].reached(), c.firstReached) << c.text;
        }
    }
}
