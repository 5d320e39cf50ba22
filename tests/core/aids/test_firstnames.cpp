#include "core/aids/FirstNames.h"
#include "core/log/QsoLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/TestFiles.h"

using namespace zep;

namespace {

using zep::testfiles::bytesOf;
using zep::testfiles::put;

class FirstNamesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Liste_Prenom.txt"));
    FirstNameMemory memory{path};

    /// Looks the call sign up and records it, as a validation after Enter in the call sign does.
    IoResult validate(const char *call, const char *dpt, const QString &name) {
        const QString c = QString::fromLatin1(call);
        const bool unknown = !memory.find(c).known;
        return memory.remember(c, QString::fromLatin1(dpt), name, unknown);
    }
};

QString logLine(const char *date, const char *time, const char *call, const char *name,
                const char *band, const char *mode) {
    QsoFields f;
    f.date = QString::fromLatin1(date);
    f.time = QString::fromLatin1(time);
    f.call = QString::fromLatin1(call);
    f.firstName = QString::fromLatin1(name);
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.band = QString::fromLatin1(band);
    f.mode = QString::fromLatin1(mode);
    return buildQsoLine(f).line;
}

} // namespace

TEST(FirstNameEntry, PadsCallAndDepartmentAndLeavesNoBlankAfterAnEmptyName) {
    EXPECT_EQ(FirstNameMemory::entry(QStringLiteral("F1ABC"), QStringLiteral("75"),
                                     QStringLiteral("Jean")),
              QStringLiteral("F1ABC        75 Jean"));
    EXPECT_EQ(FirstNameMemory::entry(QStringLiteral("ON4ABC"), QString(), QString()),
              QStringLiteral("ON4ABC          "));
    EXPECT_EQ(FirstNameMemory::entry(QStringLiteral("F/ON4ABC/QRP"), QStringLiteral("2a"),
                                     QStringLiteral("Ann")),
              QStringLiteral("F/ON4ABC/QRP 2a Ann"));
}

TEST_F(FirstNamesTest, MissingMemoryKnowsNobodyAndIsCreatedEmpty) {
    EXPECT_FALSE(memory.find(QStringLiteral("F1ABC")).known);
    ASSERT_TRUE(memory.ensureExists().ok);
    EXPECT_EQ(bytesOf(path), QByteArray());
    put(path, "F1ABC        75 Jean\r\n");
    ASSERT_TRUE(memory.ensureExists().ok);
    EXPECT_EQ(bytesOf(path), QByteArray("F1ABC        75 Jean\r\n"));
}

TEST_F(FirstNamesTest, NewCallIsAppendedThenRewrittenInPlace) {
    put(path, "F5AAA        13 Paul\r\nON4ZZ           \r\n");
    ASSERT_TRUE(validate("F1ABC", "75", QStringLiteral("Frédéric")).ok);
    EXPECT_EQ(bytesOf(path),
              QByteArray("F5AAA        13 Paul\r\nON4ZZ           \r\nF1ABC        75 Fr\xE9"
                         "d\xE9ric\r\n"));

    ASSERT_TRUE(validate("F5AAA", "2b", QStringLiteral("Pierre")).ok);
    ASSERT_TRUE(validate("F1ABC", "75", QString()).ok); // an empty name replaces too
    EXPECT_EQ(bytesOf(path), QByteArray("F5AAA        2b Pierre\r\nON4ZZ           \r\n"
                                        "F1ABC        75 \r\n"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Temporaire.txt"))));

    const FirstNameLookup f1 = memory.find(QStringLiteral("F1ABC"));
    EXPECT_TRUE(f1.known);
    EXPECT_EQ(f1.department, QStringLiteral("75"));
    EXPECT_TRUE(f1.firstName.isEmpty());
}

TEST_F(FirstNamesTest, LookupTakesTheLastEntryAndEmptiesABlankDepartment) {
    put(path, "F1ABC        75 Jean\r\nF1ABCD       33 Luc\r\nF1ABC           Jeannot\r\n");
    const FirstNameLookup f = memory.find(QStringLiteral("F1ABC"));
    EXPECT_TRUE(f.known);
    EXPECT_TRUE(f.department.isEmpty());
    EXPECT_EQ(f.firstName, QStringLiteral("Jeannot"));
    EXPECT_EQ(memory.find(QStringLiteral("F1ABCD")).firstName, QStringLiteral("Luc"));
    EXPECT_FALSE(memory.find(QStringLiteral("F1AB")).known);
    EXPECT_FALSE(memory.find(QStringLiteral("f1abc")).known);
}

TEST_F(FirstNamesTest, NothingToChangeMeansNoRewriteAndBadInputIsRefused) {
    put(path, "F1ABC        75 Jean\r\n");
    // A directory in the scratch file's place makes any rewrite fail: none must be tried.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Temporaire.txt")));
    EXPECT_TRUE(
        memory
            .remember(QStringLiteral("F1ABC"), QStringLiteral("75"), QStringLiteral("Jean"), false)
            .ok);
    EXPECT_FALSE(memory
                     .remember(QStringLiteral("F1ABC"), QStringLiteral("75"),
                               QStringLiteral("Jeannot"), false)
                     .ok);
    EXPECT_EQ(bytesOf(path), QByteArray("F1ABC        75 Jean\r\n"));
    ASSERT_TRUE(QDir(dir.path()).rmdir(QStringLiteral("Temporaire.txt")));

    // An entry removed by hand since the lookup is recorded again rather than lost.
    put(path, "F5AAA        13 Paul\r\n");
    ASSERT_TRUE(
        memory
            .remember(QStringLiteral("F1ABC"), QStringLiteral("75"), QStringLiteral("Jean"), false)
            .ok);
    EXPECT_EQ(bytesOf(path), QByteArray("F5AAA        13 Paul\r\nF1ABC        75 Jean\r\n"));

    const QByteArray kept = bytesOf(path);
    EXPECT_FALSE(memory.remember(QStringLiteral("F/ON4ABC/QRPX"), QString(), QString(), true).ok);
    EXPECT_FALSE(
        memory.remember(QStringLiteral("F1ABC"), QStringLiteral("750"), QString(), false).ok);
    EXPECT_FALSE(
        memory.remember(QStringLiteral("F1ABC"), QString(), QStringLiteral("A\nB"), false).ok);
    EXPECT_FALSE(
        memory.remember(QStringLiteral("F1ABC"), QString(), QStringLiteral("Łukasz"), false).ok);
    EXPECT_FALSE(
        memory.remember(QStringLiteral("F2ZZZ"), QString(), QStringLiteral("Łukasz"), true).ok);
    EXPECT_EQ(bytesOf(path), kept);
}

TEST_F(FirstNamesTest, OnlyTheCallSignColumnsIdentifyAnEntry) {
    put(path, "F1ABC        75 JEAN\nF6ZZZ        13 F1ABC\n  ON4XY      2a Luc\r\n"
              "             33 Sans indicatif\r\nF/ON4ABC/QRP 2b Ann\r\nF2NONAME");
    EXPECT_FALSE(memory.find(QStringLiteral("1ABC")).known); // the end of another call sign
    EXPECT_FALSE(memory.find(QStringLiteral("JEAN")).known); // a first name
    EXPECT_EQ(memory.find(QStringLiteral("F1ABC")).firstName, QStringLiteral("JEAN"));
    EXPECT_EQ(memory.find(QStringLiteral("ON4XY")).department, QStringLiteral("2a"));
    EXPECT_EQ(memory.find(QStringLiteral("F/ON4ABC/QRP")).firstName, QStringLiteral("Ann"));
    EXPECT_EQ(memory.find(QString()).firstName, QStringLiteral("Sans indicatif"));
    EXPECT_TRUE(memory.find(QStringLiteral("F2NONAME")).known); // a line cut after the call

    // Rewriting one entry copies every other line as it was, line ends included.
    ASSERT_TRUE(
        memory.remember(QStringLiteral("F6ZZZ"), QStringLiteral("13"), QStringLiteral("Zoé"), false)
            .ok);
    EXPECT_EQ(bytesOf(path),
              QByteArray("F1ABC        75 JEAN\nF6ZZZ        13 Zo\xE9\n  ON4XY      "
                         "2a Luc\r\n             33 Sans indicatif\r\n"
                         "F/ON4ABC/QRP 2b Ann\r\nF2NONAME"));
    // A call sign that only ends another one gets its own entry.
    ASSERT_TRUE(memory.remember(QStringLiteral("1ABC"), QString(), QString(), false).ok);
    EXPECT_TRUE(bytesOf(path).startsWith("F1ABC        75 JEAN\n"));
    EXPECT_TRUE(bytesOf(path).endsWith("F2NONAME\r\n1ABC            \r\n"));
    EXPECT_TRUE(memory.find(QStringLiteral("1ABC")).known);
}

TEST(DuplicateCheck, FirstEarlierQsoOnTheSameBandAndModeOnly) {
    const QStringList log = {
        logLine("07/12/26", "10:00", "F1ABC", "Jean", "14", "SSB"),
        logLine("07/12/26", "10:05", "F1ABC/P", "", "7", "SSB"),
        logLine("07/12/26", "10:10", "F1ABC", "Jeannot", "14", "SSB"),
        logLine("07/12/26", "10:20", "F1ABC", "", "14", "CW"),
    };
    const DuplicateResult d =
        findDuplicate(log, QStringLiteral("F1ABC"), QStringLiteral("14"), QStringLiteral("SSB"));
    ASSERT_TRUE(d.found);
    EXPECT_EQ(d.date, QStringLiteral("07/12/26"));
    EXPECT_EQ(d.time, QStringLiteral("10:00"));
    EXPECT_EQ(d.firstName, QStringLiteral("Jean"));
    EXPECT_EQ(duplicateQuestion(QStringLiteral("F1ABC"), d, QStringLiteral("14")),
              QStringLiteral("F1ABC Jean Deja contacté le 07/12/26 a 10:00 sur 14 Mhz. Annuler la "
                             "saisie ?"));

    EXPECT_FALSE(
        findDuplicate(log, QStringLiteral("F1ABC"), QStringLiteral("7"), QStringLiteral("SSB"))
            .found);
    EXPECT_FALSE(
        findDuplicate(log, QStringLiteral("F1AB"), QStringLiteral("14"), QStringLiteral("SSB"))
            .found);
    EXPECT_FALSE(
        findDuplicate({}, QStringLiteral("F1ABC"), QStringLiteral("14"), QStringLiteral("SSB"))
            .found);

    const DuplicateResult cw =
        findDuplicate(log, QStringLiteral("F1ABC"), QStringLiteral("14"), QStringLiteral("CW"));
    ASSERT_TRUE(cw.found);
    EXPECT_EQ(duplicateQuestion(QStringLiteral("F1ABC"), cw, QStringLiteral("14")),
              QStringLiteral("F1ABC  Deja contacté le 07/12/26 a 10:20 sur 14 Mhz. Annuler la "
                             "saisie ?"));
}

TEST_F(FirstNamesTest, AnUpdateReplacesEveryEntryTheLookupCouldFindInAHandEditedMemory) {
    // A memory edited by hand may hold a call sign moved off column 1 or a line cut after it.
    // The lookup finds those entries; the update must replace them too, or the lookup would go
    // on finding the old first name after it was recorded.
    struct Case {
        const char *what;
        QByteArray before, after;
    };
    const Case cases[] = {
        {"a bare call sign after the entry", "F5AAA        13 Jean\r\nF5AAA\r\n",
         "F5AAA        21 Paul\r\nF5AAA        21 Paul\r\n"},
        {"a call sign moved off column 1", "ON4ZZ           \r\n F5AAA       12 X\n",
         "ON4ZZ           \r\nF5AAA        21 Paul\n"},
        {"a longer call sign with the same start",
         "F5AAA        13 Jean\r\nF5AAAB       14 Luc\r\n",
         "F5AAA        21 Paul\r\nF5AAAB       14 Luc\r\n"},
        {"a last line without its end", "F5AAA        13 Jean", "F5AAA        21 Paul"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        put(path, c.before);
        ASSERT_TRUE(memory.find(QStringLiteral("F5AAA")).known);
        ASSERT_TRUE(validate("F5AAA", "21", QStringLiteral("Paul")).ok);
        EXPECT_EQ(bytesOf(path), c.after);
        const FirstNameLookup now = memory.find(QStringLiteral("F5AAA"));
        EXPECT_EQ(now.department, QStringLiteral("21"));
        EXPECT_EQ(now.firstName, QStringLiteral("Paul"));
    }
}
