// The frequencies kept beside the log: each stays with its QSO through every change of the
// log, a damaged or out-of-step side file never moves one onto another QSO, and the file is
// written in the code page with CR LF in fixed columns.

#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zep;
using zep::testing::qsoLineOf;

namespace {

class Frequencies : public ::testing::Test {
protected:
    QString logPath() const { return dir.filePath(QStringLiteral("DFCF-21-001.txt")); }
    QString frqPath() const { return dir.filePath(QStringLiteral("DFCF-21-001.frq")); }

    /// Appends a live QSO to the log and its frequency beside it, as a validation does.
    void logLive(const QString &line, qint64 hz) {
        ASSERT_TRUE(ActivityLog(logPath()).append(line));
        ASSERT_TRUE(QsoFrequencies(logPath()).append(line, hz));
    }
    /// The frequency of each log line, in the log's order (0 for none).
    QList<qint64> perLine() const {
        const QsoFrequencies::Reading reading = QsoFrequencies(logPath()).read();
        QList<qint64> all;
        for (const QString &line : ActivityLog(logPath()).read().lines)
            all.append(reading.of(line).value_or(0));
        return all;
    }

    QTemporaryDir dir;
    const QString a = qsoLineOf("07/12/26", "14:07", "F4AAA", "21", "ALAIN", "SSB", "14");
    const QString b = qsoLineOf("07/12/26", "14:09", "DL1BBB", "", "BERND", "CW", "7");
    const QString c = qsoLineOf("07/12/26", "14:12", "F5CCC", "75", "CLAIRE", "SSB", "14");
};

} // namespace

TEST_F(Frequencies, SideFileIsCodePageCrLfFixedColumnsBesideTheLog) {
    EXPECT_EQ(QsoFrequencies::pathFor(logPath()), frqPath());
    logLive(a, 14'285'000);
    logLive(b, 7'012'500);
    EXPECT_EQ(testfiles::bytesOf(frqPath()),
              "   14285000 " + a.toLatin1() + "\r\n    7012500 " + b.toLatin1() + "\r\n");
    // A frequency of zero (no radio) keeps nothing.
    ASSERT_TRUE(ActivityLog(logPath()).append(c));
    ASSERT_TRUE(QsoFrequencies(logPath()).append(c, 0));
    EXPECT_EQ(perLine(), (QList<qint64>{14'285'000, 7'012'500, 0}));
}

TEST_F(Frequencies, EachChangeOfTheLogKeepsTheFrequencyWithItsQso) {
    logLive(a, 14'285'000);
    logLive(b, 7'012'500);
    logLive(c, 14'200'000);

    // An insertion before the others moves lines, not frequencies.
    const QString early = qsoLineOf("07/12/26", "13:00", "EA3EEE", "", "", "SSB", "14");
    ASSERT_TRUE(ActivityLog(logPath()).insertChronologically(early));
    EXPECT_EQ(perLine(), (QList<qint64>{0, 14'285'000, 7'012'500, 14'200'000}));

    // A correction that keeps the band keeps the frequency on the corrected line.
    const QString bFixed = qsoLineOf("07/12/26", "14:09", "DL1BBC", "", "BERND", "CW", "7");
    ASSERT_TRUE(ActivityLog(logPath()).replace(bFixed, b));
    ASSERT_TRUE(QsoFrequencies(logPath()).replace(bFixed, b));
    EXPECT_EQ(perLine(), (QList<qint64>{0, 14'285'000, 7'012'500, 14'200'000}));

    // One that moves the QSO to a band the frequency is not in drops it.
    const QString aMoved = qsoLineOf("07/12/26", "14:07", "F4AAA", "21", "ALAIN", "SSB", "21");
    ASSERT_TRUE(ActivityLog(logPath()).replace(aMoved, a));
    ASSERT_TRUE(QsoFrequencies(logPath()).replace(aMoved, a));
    EXPECT_EQ(perLine(), (QList<qint64>{0, 0, 7'012'500, 14'200'000}));

    // A deletion gives the frequency back for the restore, which brings it back.
    ASSERT_TRUE(ActivityLog(logPath()).remove(bFixed));
    const QsoFrequencies::Removed removed = QsoFrequencies(logPath()).remove(bFixed);
    ASSERT_TRUE(removed.status);
    EXPECT_EQ(removed.hz, 7'012'500);
    EXPECT_EQ(perLine(), (QList<qint64>{0, 0, 14'200'000}));
    ASSERT_TRUE(ActivityLog(logPath()).insertChronologically(bFixed));
    ASSERT_TRUE(QsoFrequencies(logPath()).append(bFixed, *removed.hz));
    EXPECT_EQ(perLine(), (QList<qint64>{0, 0, 7'012'500, 14'200'000}));

    // A rewrite leaves the file in the log's order, with only the lines it holds.
    ASSERT_TRUE(ActivityLog(logPath()).remove(early));
    ASSERT_TRUE(QsoFrequencies(logPath()).remove(early).status);
    EXPECT_EQ(testfiles::bytesOf(frqPath()),
              "    7012500 " + bFixed.toLatin1() + "\r\n   14200000 " + c.toLatin1() + "\r\n");
}

TEST_F(Frequencies, AMissingDamagedOrStaleSideFileCostsFrequenciesNeverMovesThem) {
    ASSERT_TRUE(ActivityLog(logPath()).append(a));
    ASSERT_TRUE(ActivityLog(logPath()).append(b));
    // No side file at all: no frequency, no error, and a rewrite creates nothing.
    EXPECT_TRUE(QsoFrequencies(logPath()).read().status);
    EXPECT_EQ(perLine(), (QList<qint64>{0, 0}));
    ASSERT_TRUE(QsoFrequencies(logPath()).remove(a).status);
    EXPECT_FALSE(QFile::exists(frqPath()));

    // Damaged lines, a line of another QSO, a torn last line: only exact matches count.
    testfiles::put(frqPath(), "garbage\r\n   abc     " + a.toLatin1() + "\r\n   14285000 " +
                                  c.toLatin1() + "\r\n    7012500 " + b.toLatin1().left(50));
    EXPECT_EQ(perLine(), (QList<qint64>{0, 0}));
    testfiles::put(frqPath(), "    7012500 " + b.toLatin1() + "\r\n");
    EXPECT_EQ(perLine(), (QList<qint64>{0, 7'012'500}));
}

TEST_F(Frequencies, TheSecondReferenceGetsACopyAndFailuresAreSaidInFrench) {
    logLive(a, 14'285'000);
    const QString second = dir.filePath(QStringLiteral("DFCF-21-002.txt"));
    ASSERT_TRUE(QsoFrequencies(logPath()).copyTo(second));
    EXPECT_EQ(testfiles::bytesOf(dir.filePath(QStringLiteral("DFCF-21-002.frq"))),
              testfiles::bytesOf(frqPath()));

    // A side file that cannot be read is reported, and never rewritten blindly.
    ASSERT_TRUE(QFile::remove(frqPath()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("DFCF-21-001.frq")));
    const QsoFrequencies::Removed removed = QsoFrequencies(logPath()).remove(a);
    EXPECT_FALSE(removed.status);
    EXPECT_FALSE(removed.hz.has_value());
    EXPECT_FALSE(removed.status.message.isEmpty());
    const IoResult appended = QsoFrequencies(logPath()).append(b, 7'012'500);
    EXPECT_FALSE(appended);
    EXPECT_TRUE(appended.message.contains(QStringLiteral("DFCF-21-001.frq")))
        << appended.message.toStdString();
}
