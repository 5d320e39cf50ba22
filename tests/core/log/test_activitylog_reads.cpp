// Reading the log again after it changed: the lines kept from the last reading serve only for
// the bytes they came from; a log that changed by a few lines has just those lines decoded, and
// each change is recorded so that what follows the log (the QSO list, the counts) can follow it.

#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/stat.h>

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

// --- The changes recorded for what follows the log ------------------------------------------

namespace {

QString qso(int minute, const QString &call) {
    const BuiltLine b = buildQsoLine(
        {QStringLiteral("07/12/26"), QStringLiteral("10:%1").arg(minute, 2, 10, QLatin1Char('0')),
         call, QString(), QString(), QStringLiteral("59"), QStringLiteral("59"),
         QStringLiteral("SSB"), QStringLiteral("7"), QString()});
    EXPECT_TRUE(b.ok) << b.error.toStdString();
    return b.line;
}

/// The lines a follower holds once it has applied `changes` to the lines it saw; each change must
/// find the lines it says it removes.
QStringList followed(QStringList lines, const QList<LogChange> &changes) {
    for (const LogChange &c : changes) {
        EXPECT_EQ(lines.mid(c.at, c.removed.size()), c.removed);
        lines = lines.first(std::min(c.at, lines.size())) + c.added +
                lines.mid(c.at + c.removed.size());
    }
    return lines;
}

} // namespace

TEST(ActivityLogChanges, AGrownLogKeepsItsLinesAndRecordsTheNewOnes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-002.txt"));
    ActivityLog log(path);

    EXPECT_EQ(log.read().version, 0u) << "no log yet";
    ASSERT_TRUE(log.append(qso(0, QStringLiteral("F5AAA"))).ok);
    ASSERT_TRUE(log.append(qso(1, QStringLiteral("F5BBB"))).ok);
    const ActivityLog::Lines first = log.read();
    ASSERT_TRUE(first.status.ok);
    EXPECT_NE(first.version, 0u);
    EXPECT_EQ(first.lines, readTextFile(path).lines);

    ASSERT_TRUE(log.append(qso(2, QStringLiteral("F5CCC"))).ok);
    ASSERT_TRUE(log.append(qso(3, QStringLiteral("F5DDD"))).ok);
    const ActivityLog::Lines grown = log.read();
    EXPECT_NE(grown.version, first.version);
    EXPECT_EQ(grown.lines, readTextFile(path).lines);
    // The old lines are the very strings read before, not new ones.
    EXPECT_EQ(grown.lines.at(0).constData(), first.lines.at(0).constData());
    EXPECT_EQ(grown.lines.at(1).constData(), first.lines.at(1).constData());
    const auto changes = grown.reading().changesSince(first.version);
    ASSERT_TRUE(changes.has_value());
    // One change per append when the log had settled, one for both when it was read afresh.
    ASSERT_FALSE(changes->isEmpty());
    EXPECT_EQ(changes->at(0).at, 2);
    EXPECT_TRUE(changes->at(0).removed.isEmpty());
    EXPECT_EQ(followed(first.lines, *changes), grown.lines);

    // Read again unchanged, at once and once the file's times have fallen behind.
    QThread::msleep(80);
    const ActivityLog::Lines still = log.read();
    EXPECT_EQ(still.version, grown.version);
    const auto none = still.reading().changesSince(grown.version);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->isEmpty());
}

TEST(ActivityLogChanges, EveryChangeLeadsFromTheLinesBeforeToTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-003.txt"));
    ActivityLog log(path);
    for (int m = 0; m < 6; ++m)
        ASSERT_TRUE(log.append(qso(m * 10, QStringLiteral("F5A%1").arg(m))).ok);
    ActivityLog::Lines before = log.read();

    // After each change: the lines are those of the file, and the changes recorded since the
    // reading before lead from its lines to them, touching only `touched` lines.
    const auto expectFollowed = [&](const char *what, qsizetype touched) {
        SCOPED_TRACE(what);
        const ActivityLog::Lines now = log.read();
        EXPECT_NE(now.version, before.version);
        EXPECT_EQ(now.lines, readTextFile(path).lines);
        const auto changes = now.reading().changesSince(before.version);
        ASSERT_TRUE(changes.has_value());
        EXPECT_EQ(followed(before.lines, *changes), now.lines);
        qsizetype decoded = 0;
        for (const LogChange &c : *changes)
            decoded += c.added.size();
        EXPECT_EQ(decoded, touched);
        before = now;
    };
    ASSERT_TRUE(log.replace(qso(10, QStringLiteral("F5EDIT")), qso(10, QStringLiteral("F5A1"))).ok);
    expectFollowed("replace", 1);
    ASSERT_TRUE(log.remove(qso(0, QStringLiteral("F5A0"))).ok);
    expectFollowed("remove", 0);
    ASSERT_TRUE(log.insertChronologically(qso(25, QStringLiteral("F5INS"))).ok);
    expectFollowed("insertion", 1);
    ASSERT_TRUE(log.remove(qso(50, QStringLiteral("F5A5"))).ok);
    expectFollowed("the last QSO removed", 0);

    // Another program changes one character and keeps the size, at once and after a while.
    QByteArray bytes = testfiles::bytesOf(path);
    bytes[bytes.indexOf("F5INS") + 4] = 'X';
    put(path, bytes);
    expectFollowed("same size, same moment", 1);
    QThread::msleep(80);
    log.read();
    before = log.read();
    bytes[bytes.indexOf("F5INX") + 4] = 'Y';
    put(path, bytes);
    expectFollowed("same size, later", 1);
    // Two lines swapped, a line end dropped between two lines, then the file emptied.
    const QList<QByteArray> parts = bytes.split('\n');
    put(path, parts[1] + '\n' + parts[0] + '\n' + parts.mid(2).join('\n'));
    expectFollowed("two lines swapped", 2);
    bytes = testfiles::bytesOf(path);
    put(path, bytes.left(bytes.indexOf('\n')) + bytes.mid(bytes.indexOf('\n') + 1));
    expectFollowed("two lines joined", 1);
    put(path, "");
    expectFollowed("emptied", 0);

    // A log deleted reads as no lines and no version: followers start afresh.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(log.read().version, 0u);
    EXPECT_TRUE(log.read().lines.isEmpty());
    EXPECT_FALSE(log.read().reading().changesSince);
}

TEST(ActivityLogChanges, AnAppendMadeHereReadsBackAsAFreshReadingWould) {
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
        ActivityLog::Lines before = log.read();
        if (!c.changedAfter.isEmpty())
            put(path, c.changedAfter);
        for (int minute = 0; minute < 3; ++minute) {
            ASSERT_TRUE(log.append(qso(minute, QStringLiteral("F5AAA"))).ok);
            const ActivityLog::Lines now = log.read();
            EXPECT_EQ(now.lines, readTextFile(path).lines);
            const auto changes = now.reading().changesSince(before.version);
            ASSERT_TRUE(changes.has_value());
            EXPECT_EQ(followed(before.lines, *changes), now.lines);
            before = now;
        }
    }
}

TEST(ActivityLogChanges, CopyToKeepsASecondLogByteForByteTheFirst) {
    // The second log of a double activation: one QSO behind gets it appended; anything else
    // is replaced whole. Either way the two files end equal.
    struct Case {
        const char *what;
        QByteArray second; ///< what the second log holds; "-" when there is none
        bool appended;     ///< kept as it was, the new lines written after it
    };
    const QByteArray first = "AAA\r\nBBB\r\nCCC\r\n";
    const Case cases[] = {
        {"one QSO behind", "AAA\r\nBBB\r\n", true},
        {"two QSOs behind", "AAA\r\n", true},
        {"already level", first, true},
        {"none yet", "-", false},
        {"empty", "", false},
        {"different", "AAA\r\nXXX\r\n", false},
        {"ahead of the first", first + "DDD\r\n", false},
        {"a torn last line", "AAA\r\nBB", false},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString one = dir.filePath(QStringLiteral("DFCF 75-%1.txt").arg(++n));
        const QString two = dir.filePath(QStringLiteral("DIFI 75-%1.txt").arg(n));
        put(one, first);
        if (c.second != "-")
            put(two, c.second);
        // A file replaced through the scratch file is a new file: another inode.
        const auto inode = [](const QString &p) {
            struct stat info {};
            return ::stat(QFile::encodeName(p).constData(), &info) == 0 ? info.st_ino : ino_t(0);
        };
        const ino_t born = inode(two);
        ASSERT_TRUE(ActivityLog(one).copyTo(two).ok);
        EXPECT_EQ(testfiles::bytesOf(two), first);
        if (c.appended) {
            EXPECT_EQ(inode(two), born) << "the second log was not replaced";
        }
        EXPECT_EQ(ActivityLog(two).read().lines, readTextFile(one).lines);
    }
}
