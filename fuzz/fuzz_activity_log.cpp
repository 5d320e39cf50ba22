// An activity log as a user may hand it over: every line reads by its columns, the list items
// agree with the lines whether built whole or grown, the two ordering readings agree, a
// chronological insertion either adds exactly one line or leaves the log as it was, and the
// changes recorded between two readings (the log rewritten otherwise, a QSO appended) lead from
// the lines of the one to the lines of the other, so that the operator count kept from them is
// the whole log's.

#include "FuzzSupport.h"
#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/OperatorTally.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace zep;
using namespace zep::fuzz;

namespace {

void checkLine(const QString &line) {
    const QsoFields f = readQsoLine(line);
    for (const QString *s : {&f.date, &f.time, &f.call, &f.department, &f.firstName, &f.rstReceived,
                             &f.rstSent, &f.mode, &f.band, &f.remarks})
        check(*s == s->trimmed(), "a QSO field keeps blanks", line);

    const std::optional<qint64> number = qsoOrderingNumber(line);
    QByteArray bytes;
    if (cp1252::encode(line, bytes))
        check(qsoOrderingNumber(QByteArrayView(bytes)) == number,
              "the ordering of a line differs between its bytes and its text", line);
}

/// The changes recorded from one reading to a later one lead from its lines to the later ones.
void followedFrom(const ActivityLog::Lines &earlier, const ActivityLog::Lines &later) {
    if (earlier.version == 0 || later.version == earlier.version)
        return;
    const auto changes = later.reading().changesSince(earlier.version);
    if (!changes)
        return; // a change too large to be kept line by line: followers start afresh
    QStringList lines = earlier.lines;
    for (const LogChange &c : *changes) {
        check(c.at >= 0 && c.at + c.removed.size() <= lines.size() &&
                  lines.mid(c.at, c.removed.size()) == c.removed,
              "a recorded change removes lines that are not there");
        lines = lines.first(c.at) + c.added + lines.sliced(c.at + c.removed.size());
    }
    check(lines == later.lines, "the recorded changes do not lead to the lines read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = view(data, size).toByteArray();
    // A file of its own for each input: the program keeps the readings of the last logs it
    // read, and one of them must never stand for this one.
    static int inputs = 0;
    const QString path = scratchFile(
        QStringLiteral("F-%1.txt").arg(++inputs, 6, 10, QLatin1Char('0')).toLatin1().constData());
    putFile(path, input);
    struct Removed {
        QString path;
        ~Removed() { QFile::remove(path); }
    } removed{path};

    ActivityLog log(path);
    const ActivityLog::Lines items = log.read();
    check(items.status.ok, "a readable log was refused", items.status.message);
    check(items.lines == splitLines(cp1252::decode(input)), "lines lost or changed on reading");
    QStringList listItems;
    for (qsizetype i = 0; i < items.lines.size(); ++i)
        listItems.append(qsoListItem(int(i + 1), items.lines.at(i)));
    check(listItems.size() == items.lines.size(), "one list item per QSO");
    for (qsizetype i = 0; i < items.lines.size(); ++i) {
        check(listItems.at(i) == qsoListItem(int(i + 1), items.lines.at(i)),
              "a list item does not match its line", items.lines.at(i));
        checkLine(items.lines.at(i));
    }
    // A list that grew from its first half gets the same items as one built whole.
    QStringList grown = listItems.mid(0, items.lines.size() / 2);
    appendQsoListItems(grown, items.lines);
    check(grown == listItems, "a grown list differs from a full one");
    OperatorTally tally;
    tally.count(items.reading());

    const OperatorCount operators = countOperators(items.lines);
    check(operators.count >= 0 && operators.count <= items.lines.size(),
          "more operators than QSOs");
    if (!items.lines.isEmpty()) {
        const QsoFields first = readQsoLine(items.lines.first());
        const DuplicateResult dup = findDuplicate(items.lines, first.call, first.band, first.mode);
        check(dup.found, "the first QSO is not its own duplicate", items.lines.first());
    }

    // A restored QSO goes in at its place, or nowhere.
    QsoFields f;
    f.date = QStringLiteral("07/12/26");
    f.time = QStringLiteral("14:07");
    f.call = QStringLiteral("F4ABC");
    f.department = QStringLiteral("21");
    f.firstName = QStringLiteral("JEAN");
    f.rstReceived = f.rstSent = QStringLiteral("59");
    f.mode = QStringLiteral("SSB");
    f.band = QStringLiteral("3.5");
    const QString restored = buildQsoLine(f).line;
    const IoResult inserted = log.insertChronologically(restored);
    const QByteArray after = getFile(path);
    if (!inserted.ok) {
        check(after == input, "a failed insertion changed the log", inserted.message);
    } else {
        const ActivityLog::Lines now = log.read();
        check(now.lines.size() == items.lines.size() + 1, "an insertion did not add one QSO");
        const qsizetype at = now.lines.indexOf(restored);
        check(at >= 0, "the inserted QSO is not in the log");
        QStringList without = now.lines;
        without.removeAt(at);
        // A last line cut after its CR is a line end torn by a crash: an insertion at the end
        // completes it (the CR is no longer part of the line), one before it rewrites the log
        // and keeps the CR in the line, as a reading does.
        QStringList before = items.lines;
        if (input.endsWith('\r') && !before.isEmpty() &&
            before.last().endsWith(QLatin1Char('\r')) && without != before)
            before.last().chop(1);
        check(without == before, "an insertion changed other QSOs");
    }
    for (const QString &name :
         QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden))
        check(!scratch::isScratchFileName(name), "scratch file left behind", name);

    // A live QSO appended: the kept reading, grown or read again, is what the file now holds.
    const IoResult appended = log.append(restored);
    const ActivityLog::Lines afterAppend = log.read();
    check(afterAppend.lines == readTextFile(path).lines,
          "the kept reading differs from the log after an append", appended.message);
    followedFrom(items, afterAppend);

    // The log rewritten by another program: its two halves swapped, then its middle third
    // dropped. The kept reading decodes only what changed and must still be the file.
    ActivityLog::Lines before = afterAppend;
    const QByteArray now = getFile(path);
    const qsizetype half = now.size() / 2, third = now.size() / 3;
    for (const QByteArray &changed :
         {now.sliced(half) + now.first(half), now.first(third) + now.sliced(2 * third)}) {
        putFile(path, changed);
        const ActivityLog::Lines reread = log.read();
        check(reread.lines == splitLines(cp1252::decode(changed)),
              "the kept reading differs from a log changed by another program");
        followedFrom(before, reread);
        before = reread;
    }
    const OperatorCount whole = countOperators(before.lines);
    check(tally.count(before.reading()) == whole.count && tally.operators() == whole.operators,
          "the operators kept through the changes are not the whole log's");
    return 0;
}
