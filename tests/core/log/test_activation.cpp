#include "core/io/TextFile.h"
#include "core/log/Activation.h"

#include <QDateTime>
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

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

ActivationRecord castle(const QString &number = QStringLiteral("DFCF 12-345")) {
    ActivationRecord r;
    r.number = number;
    r.activator = QStringLiteral("F5ABC");
    r.name = QStringLiteral("Château de Tournemire");
    r.canton = QStringLiteral("1203");
    r.postalCode = QStringLiteral("12250");
    r.type = QStringLiteral("Château");
    r.date = QStringLiteral("14/07/26");
    r.commune = QStringLiteral("Tournemire");
    r.logger = QStringLiteral("F4XYZ");
    return r;
}

/// A list directory with `count` single activations "REF1".."REFn" already in it.
struct ListDir {
    QTemporaryDir dir;
    ActivationList list{dir.path()};

    QString file(const QString &name) const { return dir.filePath(name); }

    void fill(int count) {
        for (int i = 1; i <= count; ++i)
            ASSERT_TRUE(
                list.append(formatActivationLine(castle(QStringLiteral("REF%1").arg(i)), 0)).ok);
    }
    /// Saves a double activation the way the setup window does, from the list's current size.
    void addPair(const QString &a, const QString &b) {
        const int count = int(list.numbers().numbers.size());
        ASSERT_TRUE(list.append(formatActivationLine(castle(a), count + 2)).ok);
        ASSERT_TRUE(list.append(formatActivationLine(castle(b), count + 1)).ok);
    }
    QStringList lines() const { return readTextFile(list.path()).lines; }
};

} // namespace

TEST(ActivationLine, SingleLineKeepsEveryFieldInItsColumns) {
    const QString line = formatActivationLine(castle(), 0);
    const QString expected =
        QStringLiteral("DFCF 12-345 ") + QStringLiteral(" ") + QStringLiteral("F5ABC") + blanks(5) +
        QStringLiteral(" ") + QStringLiteral("Château de Tournemire") + blanks(14) +
        QStringLiteral(" ") + QStringLiteral("1203 ") + QStringLiteral("12250 ") +
        QStringLiteral("Château") + blanks(5) + QStringLiteral(" ") + QStringLiteral("14/07/26 ") +
        QStringLiteral("Tournemire") + blanks(25) + QStringLiteral(" ") + blanks(3) +
        QStringLiteral(" ") + QStringLiteral("F4XYZ") + blanks(5);
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 143);

    // A 12-character number fills columns 1-12 and leaves column 13 blank.
    const QString full = formatActivationLine(castle(QStringLiteral("DIFI 56-0012")), 0);
    EXPECT_EQ(full.left(13), QStringLiteral("DIFI 56-0012 "));

    // No logger: columns 130-143 are all blank, the line still 143 long.
    ActivationRecord noLogger = castle();
    noLogger.logger.clear();
    noLogger.canton.clear();
    const QString single = formatActivationLine(noLogger, 0);
    EXPECT_EQ(single.size(), 143);
    EXPECT_EQ(single.mid(129), blanks(14));
    EXPECT_EQ(single.mid(60, 5), blanks(5));
}

TEST(ActivationLine, OverlongFieldsAreCutSoTheColumnsNeverShift) {
    ActivationRecord r = castle();
    r.type = QStringLiteral("Moulin fortifié et chapelle romane"); // 34 typed, 12 kept
    r.name = QString(40, QLatin1Char('N'));
    r.commune = QString(36, QLatin1Char('C'));
    r.logger = QStringLiteral("F4XYZ/PORTABLE");
    const QString line = formatActivationLine(r, 0);
    EXPECT_EQ(line.size(), 143);
    EXPECT_EQ(line.mid(71, 13), QStringLiteral("Moulin forti "));
    EXPECT_EQ(line.mid(84, 9), QStringLiteral("14/07/26 "));
    EXPECT_EQ(line.mid(24, 36), QString(35, QLatin1Char('N')) + QStringLiteral(" "));
    EXPECT_EQ(line.mid(93, 36), QString(35, QLatin1Char('C')) + QStringLiteral(" "));
    EXPECT_EQ(decodeActivationLine(line).type, QStringLiteral("Moulin forti"));
    EXPECT_EQ(decodeActivationLine(line).logger, QStringLiteral("F4XYZ/PORT"));

    // Fields are written as typed: leading blanks stay, the column does not move.
    r = castle(QStringLiteral(" DFCF 1"));
    EXPECT_EQ(formatActivationLine(r, 0).left(13), QStringLiteral(" DFCF 1      "));
}

TEST(ActivationLine, PartnerPositionsAreRightAlignedInThreeColumns) {
    EXPECT_EQ(formatActivationLine(castle(), 9).mid(129, 4), QStringLiteral("  9 "));
    EXPECT_EQ(formatActivationLine(castle(), 8).mid(129, 4), QStringLiteral("  8 "));
    EXPECT_EQ(formatActivationLine(castle(), 100).mid(129, 4), QStringLiteral("100 "));
    EXPECT_EQ(formatActivationLine(castle(), 99).mid(129, 4), QStringLiteral(" 99 "));
    // A position the field cannot hold never pushes the logger out of its columns.
    const QString tooFar = formatActivationLine(castle(), 1000);
    EXPECT_EQ(tooFar.size(), 143);
    EXPECT_EQ(tooFar.mid(133), QStringLiteral("F4XYZ     "));
}

TEST(ActivationLine, DecodesLinesOfEveryReleaseAndNeverReadsPastTheEnd) {
    const QString full = formatActivationLine(castle(), 42);
    ActivationRecord r = decodeActivationLine(full);
    EXPECT_EQ(r.number, QStringLiteral("DFCF 12-345"));
    EXPECT_EQ(r.activator, QStringLiteral("F5ABC"));
    EXPECT_EQ(r.name, QStringLiteral("Château de Tournemire"));
    EXPECT_EQ(r.canton, QStringLiteral("1203"));
    EXPECT_EQ(r.postalCode, QStringLiteral("12250"));
    EXPECT_EQ(r.type, QStringLiteral("Château"));
    EXPECT_EQ(r.date, QStringLiteral("14/07/26"));
    EXPECT_EQ(r.commune, QStringLiteral("Tournemire"));
    EXPECT_EQ(r.partner, 42);
    EXPECT_EQ(r.logger, QStringLiteral("F4XYZ"));
    EXPECT_FALSE(r.deleted);

    // Early release: 93 characters, no commune, no partner, no logger.
    r = decodeActivationLine(full.left(93));
    EXPECT_EQ(r.date, QStringLiteral("14/07/26"));
    EXPECT_TRUE(r.commune.isEmpty());
    EXPECT_EQ(r.partner, 0);
    EXPECT_TRUE(r.logger.isEmpty());

    r = decodeActivationLine(full.left(129));
    EXPECT_EQ(r.commune, QStringLiteral("Tournemire"));
    EXPECT_EQ(r.partner, 0);
    EXPECT_TRUE(r.logger.isEmpty());
    r = decodeActivationLine(full.left(129) + blanks(3));
    EXPECT_EQ(r.partner, 0);
    EXPECT_TRUE(r.logger.isEmpty());

    for (int length : {0, 5, 12, 13, 20, 60, 100, 131, 136}) {
        r = decodeActivationLine(full.left(length));
        EXPECT_EQ(r.number, full.left(length).left(12).trimmed()) << length;
    }
    EXPECT_EQ(decodeActivationLine(full.left(136)).logger, QStringLiteral("F4X"));
    EXPECT_EQ(decodeActivationLine(full.left(20)).activator, QStringLiteral("F5ABC"));

    QString deleted = full;
    deleted[12] = QLatin1Char('*');
    EXPECT_TRUE(decodeActivationLine(deleted).deleted);
    EXPECT_EQ(decodeActivationLine(deleted).number, QStringLiteral("DFCF 12-345"));

    QString garbled = full;
    garbled.replace(129, 3, QStringLiteral("x1 "));
    EXPECT_EQ(decodeActivationLine(garbled).partner, 0);
}

TEST(ActivationLine, LogFileIsNamedAfterTheTrimmedNumber) {
    EXPECT_EQ(activityLogFileName(QStringLiteral("  DFCF 12-345 ")),
              QStringLiteral("DFCF 12-345.txt"));
    EXPECT_EQ(activityLogPath(QStringLiteral("/p"), QStringLiteral("F-1 ")),
              QStringLiteral("/p/F-1.txt"));
}

TEST(ActivationList, MissingOrEmptyFileIsAnEmptyList) {
    ListDir d;
    EXPECT_TRUE(d.list.numbers().status.ok);
    EXPECT_TRUE(d.list.numbers().numbers.isEmpty());
    EXPECT_FALSE(d.list.contains(QStringLiteral("REF1")));
    EXPECT_FALSE(d.list.load(QStringLiteral("REF1")).found);
    EXPECT_TRUE(d.list.load(QStringLiteral("REF1")).status.ok);
    EXPECT_FALSE(QFileInfo::exists(d.list.path())) << "reading never creates the file";

    ASSERT_TRUE(d.list.ensureExists().ok);
    EXPECT_EQ(bytesOf(d.list.path()), QByteArray());
    EXPECT_TRUE(d.list.numbers().numbers.isEmpty());
    EXPECT_EQ(d.list.path(), d.file(QStringLiteral("Liste_Activite.txt")));
}

TEST(ActivationList, AppendWritesTheLineInTheCodePageAndCreatesTheLog) {
    ListDir d;
    const QString line = formatActivationLine(castle(), 0);
    ASSERT_TRUE(d.list.append(line).ok);
    QByteArray expected;
    ASSERT_TRUE(encodeLines({line}, expected));
    EXPECT_EQ(bytesOf(d.list.path()), expected);
    EXPECT_TRUE(expected.contains("Ch\xE2teau de Tournemire"));
    EXPECT_EQ(expected.size(), 145);
    EXPECT_EQ(bytesOf(d.file(QStringLiteral("DFCF 12-345.txt"))), QByteArray());

    // A log already holding QSOs under that number is never emptied.
    const QByteArray qsos("14/07/26 10:02 F6AAA ...\r\n");
    put(d.file(QStringLiteral("DFCF 1.txt")), qsos);
    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral("DFCF 1")), 0)).ok);
    EXPECT_EQ(bytesOf(d.file(QStringLiteral("DFCF 1.txt"))), qsos);
    EXPECT_EQ(d.list.numbers().numbers,
              (QStringList{QStringLiteral("DFCF 12-345"), QStringLiteral("DFCF 1")}));
}

TEST(ActivationList, AppendRefusesLinesThatCannotNameOrHoldALog) {
    ListDir d;
    ASSERT_TRUE(d.list.ensureExists().ok);
    EXPECT_FALSE(d.list.append(formatActivationLine(castle(QStringLiteral("   ")), 0)).ok);
    const IoResult escaping =
        d.list.append(formatActivationLine(castle(QStringLiteral("../../x")), 0));
    EXPECT_FALSE(escaping.ok);
    EXPECT_FALSE(escaping.message.isEmpty());
    ActivationRecord foreign = castle();
    foreign.name = QStringLiteral("Zamek Łańcut");
    EXPECT_FALSE(d.list.append(formatActivationLine(foreign, 0)).ok);
    EXPECT_EQ(bytesOf(d.list.path()), QByteArray());
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("DFCF 12-345.txt"))));
}

TEST(ActivationList, LookupComparesTheTrimmedNumberExactly) {
    ListDir d;
    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral("DFCF 12-345")), 0)).ok);
    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral(" DIFI 7")), 0)).ok);
    EXPECT_TRUE(d.list.contains(QStringLiteral("DFCF 12-345")));
    EXPECT_TRUE(d.list.contains(QStringLiteral("DIFI 7")));
    EXPECT_FALSE(d.list.contains(QStringLiteral("dfcf 12-345")));
    EXPECT_FALSE(d.list.contains(QStringLiteral("DFCF 12")));
    EXPECT_FALSE(d.list.contains(QStringLiteral("DFCF12-345")));
    EXPECT_EQ(d.list.numbers().numbers,
              (QStringList{QStringLiteral("DFCF 12-345"), QStringLiteral("DIFI 7")}));
    EXPECT_TRUE(QFileInfo::exists(d.file(QStringLiteral("DIFI 7.txt"))));
}

TEST(ActivationList, LoadsSingleAndDoubleActivationsFromEitherLine) {
    ListDir d;
    d.fill(7);
    d.addPair(QStringLiteral("DFCF 12-001"), QStringLiteral("DFCF 12-002"));
    const QStringList lines = d.lines();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.at(7).mid(129, 3), QStringLiteral("  9"));
    EXPECT_EQ(lines.at(8).mid(129, 3), QStringLiteral("  8"));

    LoadedActivation a = d.list.load(QStringLiteral("DFCF 12-001"));
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.first.number, QStringLiteral("DFCF 12-001"));
    EXPECT_EQ(a.first.partner, 9);
    ASSERT_TRUE(a.second.has_value());
    EXPECT_EQ(a.second->number, QStringLiteral("DFCF 12-002"));
    EXPECT_EQ(a.second->partner, 8);

    a = d.list.load(QStringLiteral("DFCF 12-002"));
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.first.number, QStringLiteral("DFCF 12-002"));
    ASSERT_TRUE(a.second.has_value());
    EXPECT_EQ(a.second->number, QStringLiteral("DFCF 12-001"));

    a = d.list.load(QStringLiteral("REF3"));
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.first.name, QStringLiteral("Château de Tournemire"));
    EXPECT_FALSE(a.second.has_value());
    EXPECT_FALSE(d.list.load(QStringLiteral("REF8")).found);
}

TEST(ActivationList, LoadKeepsTheLastMatchAndSurvivesADanglingPartner) {
    ListDir d;
    ActivationRecord older = castle(QStringLiteral("X1"));
    older.date = QStringLiteral("01/01/20");
    ASSERT_TRUE(d.list.append(formatActivationLine(older, 0)).ok);
    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral("X1")), 0)).ok);
    EXPECT_EQ(d.list.load(QStringLiteral("X1")).first.date, QStringLiteral("14/07/26"));

    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral("Y1")), 40)).ok);
    const LoadedActivation y = d.list.load(QStringLiteral("Y1"));
    EXPECT_TRUE(y.found);
    EXPECT_FALSE(y.second.has_value());
}

TEST(ActivationList, WithNinetyEightLinesThePairPointsAtNinetyNineAndOneHundred) {
    ListDir d;
    d.fill(98);
    d.addPair(QStringLiteral("A99"), QStringLiteral("A100"));
    const QStringList lines = d.lines();
    ASSERT_EQ(lines.size(), 100);
    EXPECT_EQ(lines.at(98).mid(129, 3), QStringLiteral("100"));
    EXPECT_EQ(lines.at(99).mid(129, 3), QStringLiteral(" 99"));
    EXPECT_EQ(d.list.load(QStringLiteral("A100")).second->number, QStringLiteral("A99"));
}

TEST(ActivationList, UpgradeExtendsOnlyLinesOfTheOldReleaseAndOnlyWritesWhenNeeded) {
    ListDir d;
    const QString full = formatActivationLine(castle(), 0);
    const QByteArray old129 = full.left(129).toLatin1();
    QByteArray before;
    ASSERT_TRUE(encodeLines({full.left(93), full.left(129), full.left(130), full}, before));
    put(d.list.path(), before);

    ASSERT_TRUE(d.list.upgrade().ok);
    QByteArray after;
    ASSERT_TRUE(
        encodeLines({full.left(93), full.left(129) + blanks(3), full.left(130), full}, after));
    EXPECT_EQ(bytesOf(d.list.path()), after);
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("Temporaire.txt"))));

    // An upgraded file is left untouched: not even rewritten.
    QFile f(d.list.path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime past = QDateTime::fromSecsSinceEpoch(946684800);
    ASSERT_TRUE(f.setFileTime(past, QFileDevice::FileModificationTime));
    f.close();
    ASSERT_TRUE(d.list.upgrade().ok);
    EXPECT_EQ(bytesOf(d.list.path()), after);
    EXPECT_EQ(QFileInfo(d.list.path()).lastModified(), past);
}

TEST(ActivationList, UpgradeCreatesAMissingListEmpty) {
    ListDir d;
    ASSERT_TRUE(d.list.upgrade().ok);
    EXPECT_EQ(bytesOf(d.list.path()), QByteArray());
}

// ---- Deletion -------------------------------------------------------------------------------

namespace {
const QString kPickOne = QStringLiteral("Cliquez sur une activité pour la selectionner");
const QString kBoth = QStringLiteral("Activation double, éffacer les deux activités ?");
const QString kPickFirst =
    QStringLiteral("Selectionnez la premiere reference de la double activité");

QString markedAt13(QString line) {
    line[12] = QLatin1Char('*');
    return line;
}

/// REF1, pair P1/P2 at positions 2-3, REF4; each with a log holding one QSO.
struct DeletionDir : ListDir {
    QByteArray before;
    DeletionDir() {
        fill(1);
        addPair(QStringLiteral("P1"), QStringLiteral("P2"));
        ActivationRecord r = castle(QStringLiteral("REF4"));
        EXPECT_TRUE(list.append(formatActivationLine(r, 0)).ok);
        for (const char *n : {"REF1", "P1", "P2", "REF4"})
            put(file(QString::fromLatin1(n) + QStringLiteral(".txt")),
                QByteArray("14/07/26 10:00 QSO of ") + n + "\r\n");
        before = bytesOf(list.path());
    }
    QByteArray logOf(const char *n, const char *ext = ".txt") const {
        return bytesOf(file(QString::fromLatin1(n) + QString::fromLatin1(ext)));
    }
    QByteArray qsoOf(const char *n) const {
        return QByteArray("14/07/26 10:00 QSO of ") + n + "\r\n";
    }
};
} // namespace

TEST(ActivationDeletion, EmptySelectionOnlyAsksToPickOne) {
    DeletionDir d;
    ScriptedDialogs dialogs;
    for (const QString &none : {QString(), QStringLiteral("   ")}) {
        const ActivationList::Deletion del = d.list.remove(none, dialogs);
        EXPECT_TRUE(del.status.ok);
        EXPECT_FALSE(del.changed);
    }
    EXPECT_EQ(dialogs.texts(), (QStringList{kPickOne, kPickOne}));
    EXPECT_FALSE(dialogs.shown().front().isQuestion);
    EXPECT_EQ(bytesOf(d.list.path()), d.before);
}

TEST(ActivationDeletion, SingleYesMarksTheLineAndSetsTheLogAside) {
    DeletionDir d;
    const QStringList linesBefore = d.lines();
    ScriptedDialogs dialogs;
    dialogs.setNextAnswer(true);
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("REF4"), dialogs);
    EXPECT_TRUE(del.status.ok) << del.status.message.toStdString();
    EXPECT_TRUE(del.changed);
    EXPECT_EQ(del.deletedNumbers, QStringList{QStringLiteral("REF4")});
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown().front().isQuestion);
    EXPECT_EQ(dialogs.last(), QStringLiteral("Voulez vous effacer l'activité REF4 ?"));

    QByteArray expected;
    ASSERT_TRUE(encodeLines(
        {linesBefore.at(0), linesBefore.at(1), linesBefore.at(2), markedAt13(linesBefore.at(3))},
        expected));
    EXPECT_EQ(bytesOf(d.list.path()), expected);
    EXPECT_EQ(d.logOf("REF4", ".bak"), d.qsoOf("REF4"));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("REF4.txt"))));
    EXPECT_EQ(d.logOf("REF1"), d.qsoOf("REF1"));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("Temporaire.txt"))));

    // The deleted activation is still listed, found and loadable.
    EXPECT_EQ(d.list.numbers().numbers.size(), 4);
    EXPECT_TRUE(d.list.contains(QStringLiteral("REF4")));
    EXPECT_TRUE(d.list.load(QStringLiteral("REF4")).first.deleted);
}

TEST(ActivationDeletion, SingleNoChangesNothing) {
    DeletionDir d;
    ScriptedDialogs dialogs;
    dialogs.setNextAnswer(false);
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("REF1"), dialogs);
    EXPECT_TRUE(del.status.ok);
    EXPECT_FALSE(del.changed);
    EXPECT_TRUE(del.deletedNumbers.isEmpty());
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Voulez vous effacer l'activité REF1 ?")});
    EXPECT_EQ(bytesOf(d.list.path()), d.before);
    EXPECT_EQ(d.logOf("REF1"), d.qsoOf("REF1"));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("REF1.bak"))));
}

TEST(ActivationDeletion, DoubleYesFromTheFirstLineDeletesBoth) {
    DeletionDir d;
    const QStringList linesBefore = d.lines();
    ScriptedDialogs dialogs;
    dialogs.setNextAnswer(true);
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("P1"), dialogs);
    EXPECT_TRUE(del.status.ok);
    EXPECT_TRUE(del.changed);
    EXPECT_EQ(del.deletedNumbers, (QStringList{QStringLiteral("P1"), QStringLiteral("P2")}));
    EXPECT_EQ(dialogs.texts(), QStringList{kBoth});

    QByteArray expected;
    ASSERT_TRUE(encodeLines({linesBefore.at(0), markedAt13(linesBefore.at(1)),
                             markedAt13(linesBefore.at(2)), linesBefore.at(3)},
                            expected));
    EXPECT_EQ(bytesOf(d.list.path()), expected);
    EXPECT_EQ(d.logOf("P1", ".bak"), d.qsoOf("P1"));
    EXPECT_EQ(d.logOf("P2", ".bak"), d.qsoOf("P2"));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("P1.txt"))));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("P2.txt"))));
    // The pair still loads, as deleted lines.
    const LoadedActivation p = d.list.load(QStringLiteral("P1"));
    ASSERT_TRUE(p.second.has_value());
    EXPECT_TRUE(p.first.deleted);
    EXPECT_TRUE(p.second->deleted);
}

TEST(ActivationDeletion, DoubleNoAndSecondLineOfAPairChangeNothing) {
    DeletionDir d;
    ScriptedDialogs no;
    no.setNextAnswer(false);
    ActivationList::Deletion del = d.list.remove(QStringLiteral("P1"), no);
    EXPECT_FALSE(del.changed);
    EXPECT_EQ(no.texts(), QStringList{kBoth});

    ScriptedDialogs yes;
    del = d.list.remove(QStringLiteral("P2"), yes);
    EXPECT_TRUE(del.status.ok);
    EXPECT_FALSE(del.changed);
    EXPECT_TRUE(del.deletedNumbers.isEmpty());
    EXPECT_EQ(yes.texts(), (QStringList{kBoth, kPickFirst}));
    EXPECT_FALSE(yes.shown().back().isQuestion);

    EXPECT_EQ(bytesOf(d.list.path()), d.before);
    for (const char *n : {"P1", "P2"}) {
        EXPECT_EQ(d.logOf(n), d.qsoOf(n));
        EXPECT_FALSE(QFileInfo::exists(d.file(QString::fromLatin1(n) + QStringLiteral(".bak"))));
    }
}

TEST(ActivationDeletion, PairLineWithNoNextLineShowsTheMessageAndChangesNothing) {
    ListDir d;
    d.fill(1);
    // A torn pair: the first line names position 3, but the file ends after it.
    ASSERT_TRUE(d.list.append(formatActivationLine(castle(QStringLiteral("LAST")), 3)).ok);
    const QByteArray before = bytesOf(d.list.path());
    ScriptedDialogs dialogs;
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("LAST"), dialogs);
    EXPECT_TRUE(del.status.ok);
    EXPECT_FALSE(del.changed);
    EXPECT_EQ(dialogs.texts(), (QStringList{kBoth, kPickFirst}));
    EXPECT_EQ(bytesOf(d.list.path()), before);
    EXPECT_TRUE(QFileInfo::exists(d.file(QStringLiteral("LAST.txt"))));
}

TEST(ActivationDeletion, MissingLogIsSkippedAndAnOlderBackupKept) {
    DeletionDir d;
    ASSERT_TRUE(removeFile(d.file(QStringLiteral("REF1.txt"))).ok);
    put(d.file(QStringLiteral("REF1.bak")), "older backup\r\n");
    ScriptedDialogs dialogs;
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("REF1"), dialogs);
    EXPECT_TRUE(del.status.ok) << del.status.message.toStdString();
    EXPECT_TRUE(del.changed);
    EXPECT_EQ(d.lines().at(0).at(12), QLatin1Char('*'));
    EXPECT_EQ(d.logOf("REF1", ".bak"), QByteArray("older backup\r\n"));
    EXPECT_FALSE(QFileInfo::exists(d.file(QStringLiteral("REF1.txt"))));
}

TEST(ActivationDeletion, FailingBackupLeavesListAndLogsAsTheyWere) {
    DeletionDir d;
    // A directory where the backup should go makes the copy fail.
    ASSERT_TRUE(QDir(d.dir.path()).mkdir(QStringLiteral("P2.bak")));
    ScriptedDialogs dialogs;
    const ActivationList::Deletion del = d.list.remove(QStringLiteral("P1"), dialogs);
    EXPECT_FALSE(del.status.ok);
    EXPECT_FALSE(del.status.message.isEmpty());
    EXPECT_FALSE(del.changed);
    EXPECT_EQ(bytesOf(d.list.path()), d.before);
    EXPECT_EQ(d.logOf("P1"), d.qsoOf("P1"));
    EXPECT_EQ(d.logOf("P2"), d.qsoOf("P2"));
}
