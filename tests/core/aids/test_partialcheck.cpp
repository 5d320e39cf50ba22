// The partial check while typing a call sign (the calls containing the text, the calls one
// character away, the log followed by its changes), the MASTER.SCP list and the QSO rate.

#include "core/aids/PartialCheck.h"
#include "core/io/TextFile.h"
#include "core/log/QsoRate.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

#include "support/QsoLines.h"

using namespace zep;
using zep::testing::qsoLineOf;

namespace {

QString qso(const QString &time, const QString &call, const QString &band,
            const QString &mode = QStringLiteral("SSB"), const QString &date = {}) {
    return qsoLineOf(date.isEmpty() ? QStringLiteral("07/12/26") : date, time, call, {}, {}, mode,
                     band);
}

QList<QByteArray> bytesOf(const QStringList &calls) {
    QList<QByteArray> out;
    for (const QString &c : calls)
        out << c.toLatin1();
    return out;
}

QStringList callsOf(const QList<KnownCall> &found) {
    QStringList out;
    for (const KnownCall &k : found)
        out << k.call;
    return out;
}

/// A log reading that knows its way from version 1 to `version` through `changes`.
LogReading reading(const QStringList &lines, quint64 version, QList<LogChange> changes = {}) {
    LogReading r{lines, version, {}};
    r.changesSince = [changes](quint64 since) -> std::optional<QList<LogChange>> {
        if (since != 1)
            return std::nullopt;
        return changes;
    };
    return r;
}

PartialCheckIndex sample() {
    PartialCheckSources s;
    s.scpCalls = bytesOf({"F5XAB", "F5XYZ", "DL5XA", "F5XM", "K1ABC", "F5XQQ"});
    s.memoryBytes = "F5XYZ        76 Jean\r\nF5XQQ           Paul\r\nF5XQQ        13 Pierre\r\n"
                    "F5XR            Luc\r\n";
    s.log = reading(
        {qso("10:00", "F5XM", "14"), qso("10:01", "F5XM", "7", "CW"), qso("10:02", "F5XAB", "7")},
        1);
    return PartialCheckIndex::build(s);
}

} // namespace

TEST(PartialCheck, CallsContainingTheTextComeLogThenMemoryThenListEachInOrder) {
    const PartialCheckIndex index = sample();
    struct Case {
        QString typed;
        QStringList calls;
    };
    const Case cases[] = {
        {"F5X", {"F5XAB", "F5XM", "F5XQQ", "F5XR", "F5XYZ"}},
        {"5X", {"F5XAB", "F5XM", "F5XQQ", "F5XR", "F5XYZ", "DL5XA"}},
        {"XM", {"F5XM"}},
        {"ABC", {"K1ABC"}},
        {"F", {}}, // from the second character only
        {"ZZ", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(callsOf(index.search(c.typed, u"14", u"SSB")), c.calls) << c.typed.toStdString();

    const QList<KnownCall> found = index.search(u"F5X", u"14", u"SSB");
    ASSERT_EQ(found.size(), 5);
    EXPECT_EQ(found[0].source, KnownCall::Source::Log);
    EXPECT_EQ(found[1].worked, QStringLiteral("14 SSB, 7 CW"));
    // Only F5XM was worked on 14 SSB; F5XAB on 7 SSB is no duplicate here.
    EXPECT_FALSE(found[0].duplicate);
    EXPECT_TRUE(found[1].duplicate);
    EXPECT_TRUE(index.search(u"F5XA", u"7", u"SSB").at(0).duplicate);
    // The last memory entry of a call sign wins.
    EXPECT_EQ(found[2].source, KnownCall::Source::Memory);
    EXPECT_EQ(found[2].firstName, QStringLiteral("Pierre"));
    EXPECT_EQ(found[2].department, QStringLiteral("13"));
    EXPECT_EQ(index.search(u"5X", u"14", u"SSB").last().source, KnownCall::Source::Scp);

    // A validation's memory entry, taken without a new build: a call of the list moves up to
    // the memory's group, and a call new to the index is found at once.
    PartialCheckIndex later = sample();
    later.remember(QStringLiteral("F5XYZ"), QString(), QStringLiteral("Jeanne"));
    later.remember(QStringLiteral("DL5XA"), QString(), QStringLiteral("Uwe"));
    later.remember(QStringLiteral("F5XNEW"), QStringLiteral("2A"), QStringLiteral("Ange"));
    const QList<KnownCall> now = later.search(u"5X", u"14", u"SSB");
    EXPECT_EQ(callsOf(now),
              QStringList({"F5XAB", "F5XM", "DL5XA", "F5XNEW", "F5XQQ", "F5XR", "F5XYZ"}));
    EXPECT_EQ(now[2].firstName, QStringLiteral("Uwe"));
    EXPECT_EQ(now[3].department, QStringLiteral("2A"));
    EXPECT_EQ(now[6].firstName, QStringLiteral("Jeanne"));
    EXPECT_TRUE(now[6].department.isEmpty());
}

TEST(PartialCheck, ListStopsAtTwentyCalls) {
    PartialCheckSources s;
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << QStringLiteral("F5Z%1").arg(i, 2, 10, QLatin1Char('0'));
    s.scpCalls = bytesOf(many);
    s.log = reading({qso("10:00", "F5Z29", "14")}, 1);
    const QList<KnownCall> found = PartialCheckIndex::build(s).search(u"F5Z", u"14", u"SSB");
    ASSERT_EQ(found.size(), 20);
    EXPECT_EQ(found.first().call, QStringLiteral("F5Z29"));
    EXPECT_EQ(found.last().call, QStringLiteral("F5Z18"));
}

TEST(PartialCheck, FollowsTheLogByItsChanges) {
    PartialCheckIndex index = sample();
    const QString removed = qso("10:02", "F5XAB", "7");
    const QString added = qso("10:03", "F5XNEW", "14");
    const QStringList now = {qso("10:00", "F5XM", "14"), qso("10:01", "F5XM", "7", "CW"), added};
    index.followLog(reading(now, 2, {{2, {removed}, {added}}}));
    EXPECT_EQ(callsOf(index.search(u"F5X", u"14", u"SSB")),
              QStringList({"F5XM", "F5XNEW", "F5XQQ", "F5XR", "F5XYZ", "F5XAB"}));
    EXPECT_TRUE(index.search(u"NEW", u"14", u"SSB").at(0).duplicate);
    EXPECT_EQ(callsOf(index.neighbours(u"F5XNEV", u"14", u"SSB")), QStringList({"F5XNEW"}));

    // Another log altogether: counted again from its lines.
    index.followLog(reading({qso("11:00", "K1ABC", "21")}, 77));
    EXPECT_EQ(index.search(u"ABC", u"21", u"SSB").at(0).source, KnownCall::Source::Log);
    EXPECT_EQ(index.search(u"XM", u"14", u"SSB").at(0).source, KnownCall::Source::Scp);
}

TEST(PartialCheck, NeighboursAreOneCharacterChangedAddedOrRemoved) {
    PartialCheckSources s;
    s.scpCalls = bytesOf({"F5ABC", "F5ABD", "F5AB", "F5ABCD", "XF5ABC", "FABC", "F5ACB", "F5AXX",
                          "G5ABC", "F5ABCDE"});
    const PartialCheckIndex index = PartialCheckIndex::build(s);
    // F5ABC itself, F5ACB (two letters swapped), F5AXX and F5ABCDE are further away.
    EXPECT_EQ(callsOf(index.neighbours(u"F5ABC", {}, {})),
              QStringList({"F5AB", "F5ABCD", "F5ABD", "FABC", "G5ABC", "XF5ABC"}));
    EXPECT_EQ(callsOf(index.neighbours(u"F5AXC", {}, {})), QStringList({"F5ABC", "F5AXX"}));
}

TEST(PartialCheck, IndexAnswersAsAScanOfEveryCall) {
    // Random calls over a small alphabet, so that shared n-grams and near calls abound; the
    // log's, then the memory's, then the list's, each group in alphabetical order.
    QRandomGenerator random(20260507);
    const QByteArray letters = "F5AB1/";
    const auto randomCall = [&] {
        QByteArray c;
        const int n = 1 + random.bounded(7);
        for (int i = 0; i < n; ++i)
            c += letters.at(random.bounded(int(letters.size())));
        return c;
    };
    PartialCheckSources s;
    std::set<QByteArray> all, logged, remembered;
    for (int i = 0; i < 3000; ++i)
        all.insert(s.scpCalls.emplace_back(randomCall()));
    // Calls of the list and others in the memory and in the log, which come first.
    QStringList lines;
    for (int i = 0; i < 300; ++i) {
        const QByteArray c = randomCall();
        s.memoryBytes += c.leftJustified(12, ' ') + " 21 Jean\r\n";
        all.insert(c);
        remembered.insert(c);
    }
    for (int i = 0; i < 100; ++i) {
        const QByteArray c = randomCall();
        lines << qso(QStringLiteral("10:00"), QString::fromLatin1(c), QStringLiteral("14"));
        all.insert(c);
        logged.insert(c);
    }
    s.log = reading(lines, 1);
    PartialCheckIndex index = PartialCheckIndex::build(s);
    // Stations logged and remembered after the build: the index scans them, without postings.
    QStringList added;
    for (int i = 0; i < 40; ++i) {
        const QByteArray c = randomCall();
        added << qso(QStringLiteral("11:00"), QString::fromLatin1(c), QStringLiteral("14"));
        all.insert(c);
        logged.insert(c);
    }
    index.followLog(reading(lines + added, 2, {{2, {}, added}}));
    for (int i = 0; i < 40; ++i) {
        const QByteArray c = randomCall();
        index.remember(QString::fromLatin1(c), QStringLiteral("21"), QStringLiteral("Paul"));
        all.insert(c);
        remembered.insert(c);
    }
    const auto rank = [&](const QByteArray &c) {
        return logged.count(c) ? 0 : remembered.count(c) ? 1 : 2;
    };
    for (int q = 0; q < 300; ++q) {
        const QByteArray typed = randomCall();
        std::set<std::pair<int, QString>> contains, near;
        for (const QByteArray &c : all) {
            if (c.contains(typed))
                contains.insert({rank(c), QString::fromLatin1(c)});
            int distance = -1; // edit distance when at most 1
            if (c == typed)
                distance = 0;
            else if (c.size() == typed.size()) {
                int diff = 0;
                for (qsizetype i = 0; i < c.size(); ++i)
                    diff += c[i] != typed[i];
                distance = diff == 1 ? 1 : -1;
            } else if (qAbs(c.size() - typed.size()) == 1) {
                const QByteArray &l = c.size() > typed.size() ? c : typed;
                const QByteArray &sh = c.size() > typed.size() ? typed : c;
                for (qsizetype i = 0; i < l.size(); ++i)
                    if (QByteArray(l).remove(i, 1) == sh)
                        distance = 1;
            }
            if (distance == 1)
                near.insert({rank(c), QString::fromLatin1(c)});
        }
        const QString t = QString::fromLatin1(typed);
        const auto firstOf = [](const std::set<std::pair<int, QString>> &set) {
            QStringList out;
            for (const auto &[group, c] : set)
                if (out.size() < 20)
                    out << c;
            return out;
        };
        EXPECT_EQ(callsOf(index.search(t, {}, {})),
                  typed.size() < 2 ? QStringList{} : firstOf(contains))
            << typed.constData();
        EXPECT_EQ(callsOf(index.neighbours(t, {}, {})),
                  typed.size() < 2 ? QStringList{} : firstOf(near))
            << typed.constData();
    }
}

TEST(MasterScp, OneCallPerLineCommentsSkipped) {
    struct Case {
        QByteArray bytes;
        int badLine; // 0: accepted
        qsizetype calls;
    };
    const Case cases[] = {
        {"#\r\n# Release 2023\r\n1N7N\r\nF5ABC/P\r\n\r\nK1ABC", 0, 3},
        {"F5ABC\n  DL1AA  \n", 0, 2},
        {"F5ABC\r\nf5abc\r\n", 2, 0},
        {"F5ABC\r\n#\r\nF5ABC DL1AA\r\n", 3, 0},
        {"F\xC9"
         "5A\r\n",
         1, 0},
        {"F5ABC\r\nVERYLONGCALL1\r\n", 2, 0},
        {"F5ABC\r\nVP2E/F4ABC/P\r\n", 0, 2}, // 12 characters: the longest call kept
    };
    for (const Case &c : cases) {
        const masterscp::Check checked = masterscp::check(c.bytes);
        EXPECT_EQ(checked.ok, c.badLine == 0) << c.bytes.constData();
        EXPECT_EQ(checked.badLine, c.badLine) << c.bytes.constData();
        EXPECT_EQ(checked.calls.size(), c.calls) << c.bytes.constData();
        if (c.badLine) {
            EXPECT_TRUE(checked.message.contains(QStringLiteral("ligne %1").arg(c.badLine)));
        }
    }
    // Read at start, a list with a bad line still gives its good calls.
    EXPECT_EQ(masterscp::check("F5ABC\r\nf5 x\r\nK1ABC\r\n", false).calls.size(), 2);
}

TEST(MasterScp, InstalledIntoTheProgramDirectoryOnlyWhenItHolds) {
    QTemporaryDir dir, elsewhere;
    const QString own = dir.filePath(QStringLiteral("MASTER.SCP"));
    const QString system = elsewhere.filePath(QStringLiteral("system.scp"));
    EXPECT_EQ(masterscp::path(dir.path(), system), system);

    const QString bad = elsewhere.filePath(QStringLiteral("bad.scp"));
    ASSERT_TRUE(writeBytesFile(bad, "F5ABC\r\nnot a call\r\n"));
    const IoResult refused = masterscp::install(dir.path(), bad);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("ligne 2")));
    EXPECT_FALSE(fileExists(own));

    const QByteArray good = "# mine\r\nF5ABC\r\nVP2E/F4ABC/P\r\nK1ABC\r\n";
    const QString chosen = elsewhere.filePath(QStringLiteral("good.scp"));
    ASSERT_TRUE(writeBytesFile(chosen, good));
    ASSERT_TRUE(masterscp::install(dir.path(), chosen).ok);
    EXPECT_EQ(readFileBytes(own).bytes, good);
    EXPECT_EQ(masterscp::path(dir.path(), system), own);
    EXPECT_FALSE(masterscp::install(dir.path(), elsewhere.filePath(QStringLiteral("none"))).ok);
}

TEST(MasterScp, AByteOrderMarkIsAcceptedAndTheListIsBounded) {
    QByteArray full;
    for (qsizetype i = 0; i < masterscp::mostCalls; ++i)
        full += "K" + QByteArray::number(i) + "\r\n";
    const QByteArray oneMore = full + "F5ABC\r\n";
    struct Case {
        const char *what;
        QByteArray bytes;
        int badLine; // 0: accepted
        qsizetype calls;
    };
    const Case cases[] = {
        {"mark",
         "\xEF\xBB\xBF"
         "F5ABC\r\nK1ABC\r\n",
         0, 2},
        {"mark before a comment", "\xEF\xBB\xBF# 2024\r\nF5ABC\r\n", 0, 1},
        {"mark, then a bad line",
         "\xEF\xBB\xBF"
         "F5ABC\r\nf5 abc\r\n",
         2, 0},
        {"mark inside the list",
         "F5ABC\r\n\xEF\xBB\xBF"
         "K1ABC\r\n",
         2, 0},
        {"as many calls as allowed", full, 0, masterscp::mostCalls},
        {"one call more", oneMore, int(masterscp::mostCalls) + 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const masterscp::Check checked = masterscp::check(c.bytes);
        EXPECT_EQ(checked.ok, c.badLine == 0) << checked.message.toStdString();
        EXPECT_EQ(checked.badLine, c.badLine);
        EXPECT_EQ(checked.calls.size(), c.calls);
    }
    EXPECT_EQ(masterscp::check("\xEF\xBB\xBF"
                               "F5ABC\r\n")
                  .calls.first(),
              "F5ABC");
    EXPECT_TRUE(masterscp::check(oneMore).message.contains(QStringLiteral("plus de 500")));
    // Read at start, a list too long gives its first calls.
    EXPECT_EQ(masterscp::check(oneMore, false).calls.size(), masterscp::mostCalls);
}

TEST(MasterScp, AFileTooLargeOrNotAFileIsRefusedUnreadAndAMarkIsNotCopied) {
    QTemporaryDir dir, elsewhere;
    const QString own = dir.filePath(QStringLiteral("MASTER.SCP"));
    const QString marked = elsewhere.filePath(QStringLiteral("marked.scp"));
    ASSERT_TRUE(writeBytesFile(marked, "\xEF\xBB\xBF# 2024\r\nF5ABC\r\nK1ABC\r\n"));
    const IoResult installed = masterscp::install(dir.path(), marked);
    ASSERT_TRUE(installed.ok) << installed.message.toStdString();
    EXPECT_EQ(readFileBytes(own).bytes, "# 2024\r\nF5ABC\r\nK1ABC\r\n");

    // Comment lines only: the size alone refuses it.
    QByteArray large;
    while (large.size() <= masterscp::largestFile)
        large += "# " + QByteArray(60, '-') + "\r\n";
    const QString huge = elsewhere.filePath(QStringLiteral("huge.scp"));
    ASSERT_TRUE(writeBytesFile(huge, large));
    const struct {
        const char *what;
        QString path;
        QString why;
    } refused[] = {
        {"over 8 Mo", huge, QStringLiteral("fait plus de 8 Mo")},
        {"a device without end", QStringLiteral("/dev/zero"), QStringLiteral("Impossible de lire")},
        {"a folder", elsewhere.path(), QStringLiteral("Impossible de lire")},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.what);
        const IoResult result = masterscp::install(dir.path(), r.path);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(r.why)) << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(QStringLiteral("MASTER.SCP n'est pas mis à jour")));
        EXPECT_EQ(readFileBytes(own).bytes, "# 2024\r\nF5ABC\r\nK1ABC\r\n");
    }
}

TEST(QsoRateFigures, FromTheLogsDatesAndTimes) {
    const auto at = [](int minute, const QString &band = QStringLiteral("14")) {
        return qso(QStringLiteral("%1:%2")
                       .arg(10 + minute / 60, 2, 10, QLatin1Char('0'))
                       .arg(minute % 60, 2, 10, QLatin1Char('0')),
                   QStringLiteral("F5AA"), band);
    };
    QStringList tenInFive;
    for (int i = 0; i < 10; ++i)
        tenInFive << at(i * 5 / 9, i < 4 ? QStringLiteral("7") : QStringLiteral("14"));
    QStringList gap = tenInFive;
    gap << at(150); // 12:30, after a long pause
    struct Case {
        const char *what;
        QStringList lines;
        std::optional<int> nowMinute; // minutes after 10:00; none: the latest QSO
        QsoRate expected;
    };
    const Case cases[] = {
        {"10 in 5 minutes", tenInFive, std::nullopt, {120, 10, 6}},
        {"an hour later by the clock", tenInFive, 65, {120, 0, 6}},
        {"a gap longer than an hour", gap, std::nullopt, {4, 1, 7}},
        {"one QSO", {at(0)}, 30, {0, 1, 1}},
        {"no QSO", {}, 30, {0, 0, 0}},
        {"ten in the same minute", QStringList(10, at(3)), 3, {600, 10, 10}},
    };
    for (const Case &c : cases) {
        RateFollower follower;
        follower.follow(reading(c.lines, 5));
        std::optional<qint64> reference;
        if (c.nowMinute)
            reference = clockMinute(QStringLiteral("07/12/26"),
                                    QStringLiteral("%1:%2:41")
                                        .arg(10 + *c.nowMinute / 60, 2, 10, QLatin1Char('0'))
                                        .arg(*c.nowMinute % 60, 2, 10, QLatin1Char('0')));
        const QsoRate r = follower.figures(QStringLiteral("14"), reference);
        EXPECT_EQ(r.lastTen, c.expected.lastTen) << c.what;
        EXPECT_EQ(r.lastHour, c.expected.lastHour) << c.what;
        EXPECT_EQ(r.onBand, c.expected.onBand) << c.what;
    }
    // A QSO moved to another band by a correction, followed as a change.
    RateFollower follower;
    follower.follow(reading(tenInFive, 1));
    QStringList edited = tenInFive;
    edited[9] = at(5, QStringLiteral("7"));
    follower.follow(reading(edited, 2, {{9, {tenInFive[9]}, {edited[9]}}}));
    EXPECT_EQ(follower.figures(QStringLiteral("7"), std::nullopt).onBand, 5);
}
