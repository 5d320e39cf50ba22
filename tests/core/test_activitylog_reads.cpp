// Reading the log again after it changed: the lines kept from the last reading serve only for
// the bytes they came from, and a log that grew at its end has just its new lines added; the
// QSO list items made from them follow the same rule.

#include "core/ActivityLog.h"
#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace zep;
using zep::testfiles::put;

TEST(ActivityLogReads, GrowthShrinkingAndTornLinesReadAsAFreshReadingWould) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-001.txt"));
    const ActivityLog log(path);
    const auto settle = [] { QThread::msleep(80); }; // the file's times fall behind

    put(path, "AAA\r\nBBB");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB"}));
    // The torn last line is completed: it must not come back as a line of its own.
    put(path, "AAA\r\nBBB-suite\r\n");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB-suite"}));
    settle();
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB-suite"}));

    // Lines added at the end, with a lone LF and an empty line among them.
    put(path, "AAA\r\nBBB-suite\r\nCCC\n\r\nDDD");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB-suite", "CCC", "", "DDD"}));
    put(path, "AAA\r\nBBB-suite\r\nCCC\n\r\nDDD\r\nEEE\r\n");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB-suite", "CCC", "", "DDD", "EEE"}));

    // A CR kept last is not a line end: what follows it belongs to the same line.
    put(path, "AAA\r");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA\r"}));
    put(path, "AAA\r\n");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA"}));

    // Shorter, then the same length with one byte changed, at once and after a while.
    put(path, "AAA\r\nBBB\r\n");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB"}));
    settle();
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBB"}));
    put(path, "AAA\r\nBBC\r\n");
    EXPECT_EQ(log.read().lines, (QStringList{"AAA", "BBC"}));
    put(path, "");
    EXPECT_TRUE(log.read().lines.isEmpty());
    put(path, "\xC9t\xE9\r\n"); // Windows-1252 in the new lines too
    EXPECT_EQ(log.read().lines, (QStringList{QStringLiteral("Été")}));
}

// --- The QSO list items kept with the lines ------------------------------------------------

namespace {

QString qso(int minute, const QString &call) {
    const BuiltLine b = buildQsoLine(
        {QStringLiteral("07/12/26"), QStringLiteral("10:%1").arg(minute, 2, 10, QLatin1Char('0')),
         call, QString(), QString(), QStringLiteral("59"), QStringLiteral("59"),
         QStringLiteral("SSB"), QStringLiteral("7"), QString()});
    EXPECT_TRUE(b.ok) << b.error.toStdString();
    return b.line;
}

/// What a reading from scratch gives: the items of the file as it stands.
QStringList freshItems(const QString &path) {
    return qsoListItems(readTextFile(path).lines);
}

} // namespace

TEST(ActivityLogItems, AGrownLogKeepsItsItemsAndAddsOnlyTheNewOnes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-002.txt"));
    ActivityLog log(path);

    EXPECT_EQ(log.items().lineage, 0u) << "no log yet";
    ASSERT_TRUE(log.append(qso(0, QStringLiteral("F5AAA"))).ok);
    ASSERT_TRUE(log.append(qso(1, QStringLiteral("F5BBB"))).ok);
    const ActivityLog::Items first = log.items();
    ASSERT_TRUE(first.status.ok);
    EXPECT_NE(first.lineage, 0u);
    EXPECT_EQ(first.items, freshItems(path));
    EXPECT_EQ(first.lines, log.read().lines);

    ASSERT_TRUE(log.append(qso(2, QStringLiteral("F5CCC"))).ok);
    ASSERT_TRUE(log.append(qso(3, QStringLiteral("F5DDD"))).ok);
    const ActivityLog::Items grown = log.items();
    EXPECT_EQ(grown.lineage, first.lineage);
    EXPECT_EQ(grown.items, freshItems(path));
    ASSERT_EQ(grown.items.size(), 4);
    // The old items are the very strings made before, not new ones.
    EXPECT_EQ(grown.items.at(0).constData(), first.items.at(0).constData());
    EXPECT_EQ(grown.items.at(1).constData(), first.items.at(1).constData());

    // Read again unchanged, at once and once the file's times have fallen behind.
    EXPECT_EQ(log.items().items, grown.items);
    QThread::msleep(80);
    const ActivityLog::Items still = log.items();
    EXPECT_EQ(still.lineage, first.lineage);
    EXPECT_EQ(still.items.at(3).constData(), grown.items.at(3).constData());
}

TEST(ActivityLogItems, ARewrittenLogIsNumberedAgainFromTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-003.txt"));
    ActivityLog log(path);
    for (int m = 0; m < 4; ++m)
        ASSERT_TRUE(log.append(qso(m * 10, QStringLiteral("F5A%1").arg(m))).ok);
    quint64 lineage = log.items().lineage;

    // Each change that is not an append, then a check that the items are those of the file.
    const auto expectRewritten = [&](const char *what) {
        const ActivityLog::Items now = log.items();
        EXPECT_NE(now.lineage, lineage) << what;
        EXPECT_EQ(now.items, freshItems(path)) << what;
        EXPECT_EQ(now.lines, readTextFile(path).lines) << what;
        lineage = now.lineage;
    };
    ASSERT_TRUE(log.replace(qso(10, QStringLiteral("F5EDIT")), qso(10, QStringLiteral("F5A1"))).ok);
    expectRewritten("replace");
    ASSERT_TRUE(log.remove(qso(0, QStringLiteral("F5A0"))).ok);
    expectRewritten("remove");
    ASSERT_TRUE(log.insertChronologically(qso(5, QStringLiteral("F5INS"))).ok);
    expectRewritten("insertion");
    EXPECT_TRUE(log.items().items.at(0).startsWith(QStringLiteral("   1  07/12/26  10:05  F5INS")));

    // Another program changes one character and keeps the size, at once and after a while.
    QByteArray bytes = testfiles::bytesOf(path);
    bytes[bytes.indexOf("F5INS") + 4] = 'X';
    put(path, bytes);
    expectRewritten("same size, same moment");
    QThread::msleep(80);
    log.items();
    bytes[bytes.indexOf("F5INX") + 4] = 'Y';
    put(path, bytes);
    expectRewritten("same size, later");

    // A log emptied, then deleted, reads as no items.
    put(path, "");
    expectRewritten("emptied");
    EXPECT_TRUE(log.items().items.isEmpty());
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(log.items().lineage, 0u);
    EXPECT_TRUE(log.items().items.isEmpty());
}

TEST(ActivityLogItems, NumbersStayRightAcrossTenThousand) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-004.txt"));
    ActivityLog log(path);
    const QString line = qso(0, QStringLiteral("F5AAA"));
    ASSERT_TRUE(writeTextFile(path, QStringList(9998, line)).ok);
    ASSERT_EQ(log.items().items.size(), 9998);

    ASSERT_TRUE(log.append(qso(1, QStringLiteral("F5BBB"))).ok);
    ASSERT_TRUE(log.append(qso(2, QStringLiteral("F5CCC"))).ok);
    const ActivityLog::Items at10000 = log.items();
    ASSERT_EQ(at10000.items.size(), 10000);
    EXPECT_EQ(at10000.items.at(9997), QStringLiteral("9998  ") + line);
    EXPECT_EQ(at10000.items.at(9998), QStringLiteral("9999  ") + qso(1, QStringLiteral("F5BBB")));
    EXPECT_EQ(at10000.items.at(9999), QStringLiteral("10000  ") + qso(2, QStringLiteral("F5CCC")));

    ASSERT_TRUE(log.append(qso(3, QStringLiteral("F5DDD"))).ok);
    const ActivityLog::Items after = log.items();
    EXPECT_EQ(after.lineage, at10000.lineage);
    EXPECT_EQ(after.items.last(), QStringLiteral("10001  ") + qso(3, QStringLiteral("F5DDD")));
    EXPECT_EQ(after.items, freshItems(path));
}

TEST(ActivityLogReads, AnAppendMadeHereReadsBackAsAFreshReadingWould) {
    // A live QSO appended here is added to the kept reading without reading the log again,
    // but only when that reading stood for the file; every other case reads the file.
    struct Case {
        const char *what;
        QByteArray start;
        bool settled;            ///< the file had been still before it was read
        QByteArray changedAfter; ///< written by another program after the reading, if any
    };
    const Case cases[] = {
        {"a settled log", "AAA\r\nBBB\r\n", true, {}},
        {"a log read just after it changed", "AAA\r\nBBB\r\n", false, {}},
        {"a torn last line", "AAA\r\nBBB", true, {}},
        {"a log changed by another program since", "AAA\r\nBBB\r\n", true, "AAA\r\nXYZ\r\n"},
        {"an empty log", "", true, {}},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("DFCF 75-%1.txt").arg(++n));
        ActivityLog log(path);
        put(path, c.start);
        if (c.settled)
            QThread::msleep(80);
        quint64 lineage = log.items().lineage;
        if (!c.changedAfter.isEmpty())
            put(path, c.changedAfter);
        for (int minute = 0; minute < 3; ++minute) {
            ASSERT_TRUE(log.append(qso(minute, QStringLiteral("F5AAA"))).ok);
            const ActivityLog::Items now = log.items();
            EXPECT_EQ(now.lines, readTextFile(path).lines);
            EXPECT_EQ(now.items, freshItems(path));
            // A torn line completed, or another program's change, is not a growth.
            const bool grew =
                c.changedAfter.isEmpty() && (c.start.isEmpty() || c.start.endsWith('\n'));
            if (grew || minute > 0) {
                EXPECT_EQ(now.lineage, lineage) << "the log only grew";
            }
            lineage = now.lineage;
        }
    }
}
