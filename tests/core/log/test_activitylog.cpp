#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace zep;

namespace {

using zep::testfiles::bytesOf;
using zep::testfiles::put;

QString qso(const char *date, const char *time, const char *call) {
    QsoFields f;
    f.date = QString::fromLatin1(date);
    f.time = QString::fromLatin1(time);
    f.call = QString::fromLatin1(call);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("40");
    return buildQsoLine(f).line;
}

QByteArray fileOf(const QStringList &lines) {
    QByteArray out;
    for (const QString &l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

class ActivityLogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("DFCF 75-001.txt"));
    ActivityLog log{path};

    QStringList calls() const {
        QStringList out;
        for (const QString &l : log.read().lines)
            out.append(readQsoLine(l).call);
        return out;
    }
    bool scratchFilesGone() const {
        return !QFile::exists(dir.filePath(QStringLiteral("Temporaire.txt"))) &&
               !QFile::exists(dir.filePath(QStringLiteral("Temporaire6.txt")));
    }
};

} // namespace

TEST_F(ActivityLogTest, MissingLogReadsEmptyAndAppendWritesCrLfLines) {
    const ActivityLog::Lines none = log.read();
    EXPECT_TRUE(none.status.ok);
    EXPECT_TRUE(none.lines.isEmpty());

    const QString a = qso("07/12/26", "10:00", "F1ABC");
    const QString b = qso("07/12/26", "10:01", "F5XYZ");
    ASSERT_TRUE(log.append(a).ok);
    ASSERT_TRUE(log.append(b).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a, b}));
    EXPECT_EQ(log.read().lines, (QStringList{a, b}));
}

TEST_F(ActivityLogTest, AppendStoresWindows1252AndRefusesWhatItCannotHold) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.firstName = QStringLiteral("Frédéric");
    const QString line = buildQsoLine(f).line;
    ASSERT_TRUE(log.append(line).ok);
    const QByteArray before = bytesOf(path);
    EXPECT_TRUE(before.contains("Fr\xE9"
                                "d\xE9ric"));
    EXPECT_EQ(before.size(), 106);

    f.firstName = QStringLiteral("Łukasz");
    const IoResult refused = log.append(buildQsoLine(f).line);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("Ł")));
    EXPECT_FALSE(log.append(QStringLiteral("un\r\ndeux")).ok);
    EXPECT_EQ(bytesOf(path), before);
}

TEST_F(ActivityLogTest, ReplaceEditsEveryCopyInPlaceAndRefusesAVanishedQso) {
    const QString a = qso("07/12/26", "10:00", "F1ABC");
    const QString b = qso("07/12/26", "10:01", "F5XYZ");
    const QString c = qso("07/12/26", "10:02", "ON4AA");
    put(path, fileOf({a, b, c, b}));
    const QString edited = qso("07/12/26", "10:01", "F5XYY");
    ASSERT_TRUE(log.replace(edited, b).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a, edited, c, edited}));
    EXPECT_TRUE(scratchFilesGone());

    const IoResult gone = log.replace(a, b);
    EXPECT_FALSE(gone.ok);
    EXPECT_FALSE(gone.message.isEmpty());
    EXPECT_EQ(bytesOf(path), fileOf({a, edited, c, edited}));

    EXPECT_FALSE(ActivityLog(dir.filePath(QStringLiteral("none.txt"))).replace(a, b).ok);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.txt"))));

    // Only whole lines are edited, the first and last lines too; a file with LF line ends or
    // a last line without its end comes out with CR LF throughout.
    const struct {
        const char *name;
        QByteArray file, expected;
    } rows[] = {
        {"text inside a longer line", "xx" + b.toLatin1() + "\r\n" + b.toLatin1() + "yy\r\n",
         QByteArray()},
        {"first and last lines",
         b.toLatin1() + "\r\n" + a.toLatin1() + "\r\n" + b.toLatin1() + "\r\n",
         edited.toLatin1() + "\r\n" + a.toLatin1() + "\r\n" + edited.toLatin1() + "\r\n"},
        {"after a CR inside a line", "x\r" + b.toLatin1() + "\r\n" + b.toLatin1() + "\r\n",
         "x\r" + b.toLatin1() + "\r\n" + edited.toLatin1() + "\r\n"},
        {"LF line ends", a.toLatin1() + "\n" + b.toLatin1() + "\n",
         a.toLatin1() + "\r\n" + edited.toLatin1() + "\r\n"},
        {"last line without its end", a.toLatin1() + "\r\n" + b.toLatin1(),
         a.toLatin1() + "\r\n" + edited.toLatin1() + "\r\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        put(path, row.file);
        const IoResult done = log.replace(edited, b);
        EXPECT_EQ(done.ok, !row.expected.isEmpty());
        EXPECT_EQ(bytesOf(path), row.expected.isEmpty() ? row.file : row.expected);
    }
}

TEST_F(ActivityLogTest, RemoveTakesOutEveryIdenticalLineAndNothingElse) {
    const QString a = qso("07/12/26", "10:00", "F1ABC");
    const QString b = qso("07/12/26", "10:01", "F5XYZ");
    const QString nearlyB = qso("07/12/26", "10:02", "F5XYZ");
    put(path, fileOf({b, a, nearlyB, b}));
    ASSERT_TRUE(log.remove(b).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a, nearlyB}));
    EXPECT_TRUE(scratchFilesGone());
    ASSERT_TRUE(log.remove(b).ok); // already gone
    EXPECT_EQ(bytesOf(path), fileOf({a, nearlyB}));
    ASSERT_TRUE(log.remove(a).ok);
    ASSERT_TRUE(log.remove(nearlyB).ok);
    EXPECT_EQ(bytesOf(path), QByteArray());
}

TEST_F(ActivityLogTest, InsertionExpandsYearsAroundFiftyAndGoesBeforeTheSameMinute) {
    const QString a = qso("01/06/09", "10:00", "F1AAA");
    const QString b = qso("02/06/09", "11:30", "F1BBB");
    put(path, fileOf({a, b}));

    ASSERT_TRUE(log.insertChronologically(qso("31/12/99", "23:59", "F1OLD")).ok);
    ASSERT_TRUE(log.insertChronologically(qso("01/01/49", "00:00", "F1NEW")).ok);
    ASSERT_TRUE(log.insertChronologically(qso("02/06/09", "11:30", "F1SAME")).ok);
    ASSERT_TRUE(log.insertChronologically(qso("01/06/09", "10:01", "F1MID")).ok);
    EXPECT_EQ(calls(), (QStringList{"F1OLD", "F1AAA", "F1MID", "F1SAME", "F1BBB", "F1NEW"}));
    EXPECT_TRUE(bytesOf(path).endsWith("\r\n"));
    EXPECT_EQ(bytesOf(path).size(), 6 * 106);
    EXPECT_TRUE(scratchFilesGone());
}

TEST_F(ActivityLogTest, InsertionIntoAnEmptyOrMissingLog) {
    const QString a = qso("01/06/09", "10:00", "F1AAA");
    ASSERT_TRUE(log.insertChronologically(a).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a}));
    put(path, QByteArray());
    ASSERT_TRUE(log.insertChronologically(a).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a}));
}

TEST_F(ActivityLogTest, InsertionNeverLosesTheLogOverAnUnreadableDate) {
    const QString a = qso("01/06/09", "10:00", "F1AAA");
    const QString broken = qso("31/02/09", "10:00", "F1BAD"); // shape right, no such day
    const QString b = qso("03/06/09", "11:30", "F1BBB");
    put(path, fileOf({a, broken, b}));

    // A new QSO whose date cannot be read is refused and the log is left as it was.
    const IoResult refused = log.insertChronologically(qso("30/02/09", "12:00", "F1NEW"));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("30/02/09")));
    EXPECT_FALSE(log.insertChronologically(qso("01/06/09", "9:00", "F1NEW")).ok);
    EXPECT_EQ(bytesOf(path), fileOf({a, broken, b}));

    // An old line that cannot be read keeps its place and is passed over.
    ASSERT_TRUE(log.insertChronologically(qso("02/06/09", "08:00", "F1MID")).ok);
    EXPECT_EQ(calls(), (QStringList{"F1AAA", "F1BAD", "F1MID", "F1BBB"}));
    ASSERT_TRUE(log.insertChronologically(qso("01/01/09", "08:00", "F1FIRST")).ok);
    EXPECT_EQ(calls().first(), QStringLiteral("F1FIRST"));
    EXPECT_EQ(log.read().lines.size(), 5);
}

TEST_F(ActivityLogTest, FailedRewriteLeavesTheLogAsItWas) {
    const QString a = qso("01/06/09", "10:00", "F1AAA");
    put(path, fileOf({a}));
    QsoFields f = readQsoLine(a);
    f.firstName = QStringLiteral("Ōtani");
    const QString bad = buildQsoLine(f).line;
    EXPECT_FALSE(log.replace(bad, a).ok);
    EXPECT_FALSE(
        log.insertChronologically(qso("01/01/09", "08:00", "F1X")
                                      .replace(QStringLiteral("F1X"), QStringLiteral("F1Ō")))
            .ok);
    EXPECT_EQ(bytesOf(path), fileOf({a}));
    EXPECT_TRUE(scratchFilesGone());
}

TEST_F(ActivityLogTest, ReadSeesEveryChangeEvenRightAfterAnEarlierRead) {
    const QString a = qso("01/06/09", "10:00", "F1AAA");
    const QString b = qso("01/06/09", "10:01", "F1BBB");
    const QString c = qso("01/06/09", "10:02", "F1CCC");
    const auto settle = [] { QThread::msleep(80); }; // let the file's times fall behind
    put(path, fileOf({a, b}));
    settle();
    EXPECT_EQ(log.read().lines, (QStringList{a, b}));
    EXPECT_EQ(log.read().lines, (QStringList{a, b}));

    // Same size, same file, rewritten in place at once.
    put(path, fileOf({a, c}));
    EXPECT_EQ(log.read().lines, (QStringList{a, c}));
    settle();
    EXPECT_EQ(log.read().lines, (QStringList{a, c}));
    ASSERT_TRUE(ActivityLog(path).append(b).ok);
    EXPECT_EQ(log.read().lines, (QStringList{a, c, b}));
    settle();
    EXPECT_EQ(ActivityLog(path).read().lines, (QStringList{a, c, b}));
    ASSERT_TRUE(log.replace(a, c).ok);
    EXPECT_EQ(ActivityLog(path).read().lines, (QStringList{a, a, b}));
    settle();
    EXPECT_EQ(log.read().lines, (QStringList{a, a, b}));
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(log.read().lines.isEmpty());
    EXPECT_TRUE(log.read().status.ok);
}
