// What follows the log (the QSO list, the operator list and count, the departments worked, the
// duplicate search) is kept up to date from the changes the log's readings record. Whatever
// happens to the log, live QSOs, edits, deletions, insertions, another program's changes, each
// must give what a count of the whole log gives.

#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/OperatorTally.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"
#include "entry/QsoList.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/ShownOperators.h"
#include "support/TestFiles.h"

using namespace zep;

namespace {

const QStringList calls = {"F5AAA", "f5aaa", "G3XYZ", "DL1AA", "F5AAA/P", "", "ON4ZZ", "EA8AB"};
const QStringList bands = {"7", "14", "3.5"};
const QStringList modes = {"SSB", "CW"};
const QStringList departments = {"75", "2A", "2b", "", "13", "99", "00"};

QString randomQso(QRandomGenerator &random, int minute) {
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("%1:%2")
                 .arg((10 + minute / 60) % 24, 2, 10, QLatin1Char('0'))
                 .arg(minute % 60, 2, 10, QLatin1Char('0'));
    f.call = calls.at(random.bounded(int(calls.size())));
    f.department = departments.at(random.bounded(int(departments.size())));
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = modes.at(random.bounded(int(modes.size())));
    f.band = bands.at(random.bounded(int(bands.size())));
    const BuiltLine b = buildQsoLine(f);
    EXPECT_TRUE(b.ok) << b.error.toStdString();
    return b.line;
}

} // namespace

TEST(LogFollowers, EveryFollowerGivesWhatTheWholeLogGives) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DFCF 75-001.txt"));
    ActivityLog log(path);
    QRandomGenerator random(20261208);
    OperatorTally operators;
    zep::testing::ShownOperators operatorList;
    DepartmentTally departmentsWorked;
    DuplicateFinder duplicates;
    QsoListModel list;
    int minute = 0;
    QString edited; // the line the last edit wrote, edited again now and then

    for (int step = 0; step < 600; ++step) {
        const QStringList lines = log.read().lines;
        const int what = random.bounded(10);
        const QString qso = randomQso(random, ++minute);
        if (what < 4 || lines.isEmpty()) {
            ASSERT_TRUE(log.append(qso).ok);
        } else if (what < 6) {
            // Half the edits change the line the previous edit wrote: X to Y, then Y to Z.
            const QString old = lines.contains(edited) && random.bounded(2) == 0
                                    ? edited
                                    : lines.at(random.bounded(int(lines.size())));
            ASSERT_TRUE(log.replace(qso, old).ok);
            edited = qso;
        } else if (what < 7) {
            ASSERT_TRUE(log.remove(lines.at(random.bounded(int(lines.size())))).ok);
        } else if (what < 8) {
            QString earlier = qso;
            earlier.replace(0, 8, QStringLiteral("06/12/26"));
            ASSERT_TRUE(log.insertChronologically(earlier).ok);
        } else if (what < 9) {
            // Another program changes a byte of a line, at the moment of the last reading.
            QByteArray bytes = testfiles::bytesOf(path);
            bytes[random.bounded(int(bytes.size()))] = 'Z';
            testfiles::put(path, bytes);
        } else {
            minute += 5; // nothing happens: the log is read again as it was
        }

        const ActivityLog::Lines now = log.read();
        ASSERT_EQ(now.lines, readTextFile(path).lines) << "step " << step;
        // The followers catch up only now and then, so that several changes of the log, some
        // of them on one line, build up between two of their updates and are applied together.
        if (random.bounded(4) != 0 && step != 599)
            continue;
        const LogReading reading = now.reading();
        SCOPED_TRACE(step);
        list.follow(reading);
        EXPECT_EQ(list.lines(), now.lines);
        const OperatorCount wholeCount = countOperators(now.lines);
        EXPECT_EQ(operatorList.follow(operators, reading), wholeCount.count);
        EXPECT_EQ(operatorList.rows, wholeCount.operators);
        departmentsWorked.update(reading);
        const QString band = bands.at(step % bands.size()), mode = modes.at(step % modes.size());
        const DepartmentsWorked expected =
            Colore_Departements(now.lines, band, mode, QStringLiteral(" 7 "), QStringLiteral("CW"));
        const DepartmentsWorked kept =
            departmentsWorked.worked(band, mode, QStringLiteral(" 7 "), QStringLiteral("CW"));
        EXPECT_EQ(kept.map, expected.map);
        EXPECT_EQ(kept.strip, expected.strip);
        EXPECT_EQ(kept.mapCount, expected.mapCount);
        // The call sign the last edit wrote is looked for too: a follower that kept an older
        // version of that line would miss it.
        for (const QString &call : {calls.at(step % calls.size()), edited.mid(17, 12).trimmed()}) {
            const DuplicateResult found = duplicates.find(reading, call, band, mode);
            const DuplicateResult whole = findDuplicate(now.lines, call, band, mode);
            EXPECT_EQ(found.found, whole.found) << call.toStdString();
            EXPECT_EQ(found.date + found.time + found.firstName,
                      whole.date + whole.time + whole.firstName);
        }
    }
}
