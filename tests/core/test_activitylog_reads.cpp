// Reading the log again after it changed: the lines kept from the last reading serve only for
// the bytes they came from, and a log that grew at its end has just its new lines added.

#include "core/ActivityLog.h"

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
