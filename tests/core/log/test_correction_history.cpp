// Corrections taken back: each kind gives back the log's exact bytes on the log as it is now,
// a log changed in another way is refused untouched, both logs of a double activation go
// together, and a failed rewrite keeps the logs and the undo.

#include "core/io/SysCalls.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/CorrectionHistory.h"
#include "core/log/QsoFrequencies.h"
#include "support/QsoLines.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace zep;
using zep::testfiles::bytesOf;
using zep::testfiles::put;
using zep::testing::logBytesOf;

namespace {

QString qso(const char *time, const char *call) {
    return zep::testing::qsoLineOf(QStringLiteral("07/12/26"), QString::fromLatin1(time),
                                   QString::fromLatin1(call), {}, {}, QStringLiteral("SSB"),
                                   QStringLiteral("7"));
}

const QString q1 = qso("10:00", "F1AAA"), q2 = qso("10:05", "F2BBB"), q3 = qso("10:10", "F3CCC");
const QString q2fixed = qso("10:05", "F2BCB");
const QString early = qso("09:00", "ON4XYZ"), live = qso("11:00", "DL1LIV");
const QStringList imported = {qso("09:30", "G4IMP"), qso("10:07", "EA3IMP")};

/// Makes the Nth rename fail: the rewrite of one file cannot complete.
class FailingRename : public sys::Calls {
public:
    explicit FailingRename(int nth) : nth_(nth) {}
    int rename(const char *from, const char *to) override {
        if (++count_ == nth_) {
            errno = EIO;
            return -1;
        }
        return sys::Calls::rename(from, to);
    }

private:
    int nth_, count_ = 0;
};

class Corrections : public ::testing::Test {
protected:
    QString log() const { return dir.filePath(QStringLiteral("DFCF-21-001.txt")); }
    QString second() const { return dir.filePath(QStringLiteral("DIFI-21-010.txt")); }

    /// The corrections as the entry window and the import make them.
    using Change = std::function<void(const QString &log)>;
    static Change edit(const QString &from, const QString &to) {
        return [=](const QString &l) {
            ASSERT_TRUE(ActivityLog(l).replace(to, from));
            ASSERT_TRUE(QsoFrequencies(l).replace(to, from));
        };
    }
    static Change removal(const QString &line) {
        return [=](const QString &l) {
            ASSERT_TRUE(ActivityLog(l).remove(line));
            ASSERT_TRUE(QsoFrequencies(l).remove(line).status);
        };
    }
    static Change insertion(const QString &line) {
        return [=](const QString &l) { ASSERT_TRUE(ActivityLog(l).insertChronologically(line)); };
    }
    static Change import(const QStringList &lines) {
        return [=](const QString &l) {
            QList<QByteArray> raw;
            for (const QString &line : lines)
                raw.append(line.toLatin1());
            ASSERT_TRUE(writeBytesFile(l, rawfile::insertedChronologically(bytesOf(l), raw)));
        };
    }

    void correct(CorrectionKind kind, const Change &change, const QStringList &logs = {}) {
        const QStringList all = logs.isEmpty() ? QStringList{log()} : logs;
        const CorrectionHistory::Before before = CorrectionHistory::before(all);
        for (const QString &l : all)
            change(l);
        history.record(before, kind);
    }

    QTemporaryDir dir;
    CorrectionHistory history;
};

} // namespace

TEST_F(Corrections, EveryKindIsTakenBackToTheExactBytesSeveralLevelsDeep) {
    put(log(), logBytesOf({q1, q2, q3}));
    // q2 was validated while the radio answered: its frequency goes and comes back with it.
    const QString frq = QsoFrequencies::pathFor(log());
    put(frq, logBytesOf({QsoFrequencies::fileLine(q2, 7074000)}));
    struct Step {
        CorrectionKind kind;
        Change change;
        QString undone;
    };
    const Step steps[] = {
        {CorrectionKind::Edit, edit(q2, q2fixed), "Correction annulée : QSO 2 F2BBB rétabli"},
        {CorrectionKind::Deletion, removal(q2fixed), "Correction annulée : QSO 2 F2BCB rétabli"},
        {CorrectionKind::Insertion, insertion(early),
         "Correction annulée : QSO 1 ON4XYZ inséré, retiré du log"},
        {CorrectionKind::Deletion, removal(q3), "Correction annulée : QSO 3 F3CCC rétabli"},
        {CorrectionKind::Restore, insertion(q3),
         "Correction annulée : QSO 3 F3CCC de nouveau effacé"},
        {CorrectionKind::Import, import(imported),
         "Correction annulée : import ADIF de 2 QSO retiré du log"},
        {CorrectionKind::Deletion, removal(q1), "Correction annulée : QSO 3 F1AAA rétabli"},
    };
    QList<std::pair<QByteArray, QByteArray>> states;
    for (const Step &step : steps) {
        states.append({bytesOf(log()), bytesOf(frq)});
        correct(step.kind, step.change);
        ASSERT_NE(bytesOf(log()), states.last().first);
        if (states.size() == 2) {
            // A live QSO logged meanwhile stays through every undo, at the end of the log.
            ASSERT_TRUE(ActivityLog(log()).append(live));
            for (auto &state : states)
                state.first += live.toLatin1() + "\r\n";
        }
    }
    ASSERT_EQ(history.size(), qsizetype(std::size(steps)));

    for (qsizetype i = std::size(steps) - 1; i >= 0; --i) {
        const CorrectionHistory::Result undone = history.undoLast();
        ASSERT_TRUE(undone.undone) << undone.message.toStdString();
        EXPECT_EQ(undone.message, steps[i].undone);
        EXPECT_EQ(bytesOf(log()), states.at(i).first) << "after undoing step " << i;
        EXPECT_EQ(bytesOf(frq), states.at(i).second) << "after undoing step " << i;
    }
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.undoLast().message, QStringLiteral("Aucune correction à annuler."));
}

TEST_F(Corrections, AQsoTakenOutAboveSinceMovesThePlacesTakenBack) {
    put(log(), logBytesOf({q1, q2, q3}));
    correct(CorrectionKind::Import, import(imported));
    ASSERT_TRUE(ActivityLog(log()).remove(q1));
    EXPECT_TRUE(history.undoLast().undone);
    EXPECT_EQ(bytesOf(log()), logBytesOf({q2, q3}));
}

TEST_F(Corrections, ALogChangedInAnotherWayIsRefusedAndLeftAsItIs) {
    const struct {
        CorrectionKind kind;
        Change change;
        QByteArray later; ///< the log's bytes after a change made elsewhere
    } rows[] = {
        {CorrectionKind::Edit, edit(q2, q2fixed), logBytesOf({q1, qso("10:05", "F2XXX"), q3})},
        {CorrectionKind::Deletion, removal(q2), logBytesOf({q3})}, // its neighbour gone
        {CorrectionKind::Import, import(imported), logBytesOf({qso("08:00", "F8ZZZ")})},
    };
    for (const auto &row : rows) {
        put(log(), logBytesOf({q1, q2, q3}));
        history.clear();
        correct(CorrectionKind::Insertion, insertion(live)); // an older correction
        correct(row.kind, row.change);
        put(log(), row.later);
        const CorrectionHistory::Result refused = history.undoLast();
        EXPECT_FALSE(refused.undone);
        EXPECT_EQ(bytesOf(log()), row.later);
        EXPECT_EQ(history.size(), 1) << "the refused correction leaves, the older one stays";
    }
    EXPECT_EQ(history.undoLast().message,
              QStringLiteral("Impossible d'annuler la dernière correction : le QSO DL1LIV "
                             "n'est plus dans le journal \"DFCF-21-001.txt\" tel que la "
                             "correction l'a laissé. Le journal reste inchangé.\nCette "
                             "correction est retirée des corrections à annuler."));
}

TEST_F(Corrections, BothLogsOfADoubleActivationGoBackTogetherOrNotAtAll) {
    const QStringList logs{log(), second()};
    for (const QString &l : logs)
        put(l, logBytesOf({q1, q2, q3}));
    correct(CorrectionKind::Edit, edit(q2, q2fixed), logs);
    correct(CorrectionKind::Deletion, removal(q3), logs);
    const QByteArray edited = logBytesOf({q1, q2fixed, q3});

    // The first log's rewrite fails; then the second's, and the first is put back as it was.
    for (const int failing : {1, 2}) {
        FailingRename fail(failing);
        sys::ScopedCalls seam(fail);
        const CorrectionHistory::Result result = history.undoLast();
        EXPECT_TRUE(result.message.startsWith(QStringLiteral("Impossible d'enregistrer")))
            << result.message.toStdString();
        for (const QString &l : logs)
            EXPECT_EQ(bytesOf(l), logBytesOf({q1, q2fixed})) << failing;
        EXPECT_EQ(history.size(), 2);
    }
    ASSERT_TRUE(history.undoLast().undone);
    for (const QString &l : logs)
        EXPECT_EQ(bytesOf(l), edited);

    // The second log's QSO changed elsewhere: neither log is touched.
    const QByteArray changed = logBytesOf({q1, qso("10:05", "F2XXX"), q3});
    put(second(), changed);
    EXPECT_FALSE(history.undoLast().undone);
    EXPECT_EQ(bytesOf(log()), edited);
    EXPECT_EQ(bytesOf(second()), changed);
}

namespace {

QList<QByteArray> byteLines(QByteArrayView bytes) {
    QList<QByteArray> lines;
    rawfile::forEachLine(bytes, [&](QByteArrayView line) { lines.append(line.toByteArray()); });
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines, const QList<bool> &lf, bool endLast) {
    QByteArray out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        out += lines.at(i);
        if (i + 1 < lines.size() || endLast)
            out += lf.value(i) ? "\n" : "\r\n";
    }
    return out;
}

} // namespace

// The change is found on the bytes at both ends of the file and on lines in its middle. Every
// place must be the line-by-line change, its neighbours the corrected file's lines, whatever
// the line ends (CR LF, LF, a last line without one) and wherever the change falls, and taking
// it back must give the lines back.
TEST(FileCorrectionPlaces, EveryEditInsertionAndDeletionIsFoundWhereverItFalls) {
    std::srand(7);
    for (int round = 0; round < 400; ++round) {
        const int size = 1 + std::rand() % 12;
        QList<QByteArray> lines;
        QList<bool> lf;
        for (int i = 0; i < size; ++i) {
            // Few different lines, so that lines repeat and a line's neighbours look alike.
            lines.append("QSO " + QByteArray::number(std::rand() % 4));
            lf.append(std::rand() % 4 == 0);
        }
        const bool endLast = std::rand() % 3 != 0;
        const QByteArray before = joined(lines, lf, endLast);

        QList<QByteArray> changed = lines;
        QList<bool> changedLf = lf;
        const int kind = std::rand() % 5;
        const int at = std::rand() % size;
        qsizetype removed = 0, added = 0;
        switch (kind) {
        case 0: // one line rewritten in place
            changed[at] = "QSO " + QByteArray::number(10 + std::rand() % 3);
            removed = added = 1;
            break;
        case 1: { // lines put in
            const int n = 1 + std::rand() % 3;
            for (int k = 0; k < n; ++k) {
                changed.insert(at, "NEW " + QByteArray::number(k));
                changedLf.insert(at, false);
            }
            added = n;
            break;
        }
        case 3: // a line lengthened at its start: the same bytes end both files
            changed[at] = "F" + changed[at];
            removed = added = 1;
            break;
        case 2: // a line taken out
            changed.removeAt(at);
            changedLf.removeAt(at);
            removed = 1;
            break;
        default: // only the line ends written anew: no line changed
            for (bool &b : changedLf)
                b = false;
            break;
        }
        const QByteArray after = joined(changed, changedLf, endLast || changed.size() != size);
        SCOPED_TRACE(QByteArray("before: " + before.toPercentEncoding() +
                                " after: " + after.toPercentEncoding())
                         .toStdString());

        const FileCorrection change = FileCorrection::between(QStringLiteral("log"), before, after);
        const QList<QByteArray> is = byteLines(after);
        EXPECT_EQ(change.lines, is.size());
        qsizetype allRemoved = 0, allAdded = 0;
        for (const FileCorrection::Hunk &h : change.hunks) {
            allRemoved += h.removed.size();
            allAdded += h.added.size();
            ASSERT_LE(h.at + h.added.size(), is.size());
            EXPECT_EQ(is.mid(h.at, h.added.size()), h.added);
            EXPECT_EQ(h.above.has_value(), h.at > 0);
            if (h.above) {
                EXPECT_EQ(*h.above, is.at(h.at - 1));
            }
            EXPECT_EQ(h.below.has_value(), h.at + h.added.size() < is.size());
            if (h.below) {
                EXPECT_EQ(*h.below, is.at(h.at + h.added.size()));
            }
        }
        // The fewest lines: repeated lines may move the place, never the count.
        EXPECT_EQ(allRemoved, removed);
        EXPECT_EQ(allAdded, added);

        const FileCorrection::Undone undone = change.undo(after);
        ASSERT_TRUE(undone.bytes) << qPrintable(undone.refusal);
        EXPECT_EQ(byteLines(*undone.bytes), byteLines(before));
    }
}
