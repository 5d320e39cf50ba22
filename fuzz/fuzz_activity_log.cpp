// An activity log as a user may hand it over: every line reads by its columns, the list items
// agree with the lines whether built whole or grown, the two ordering readings agree, and a
// chronological insertion either adds exactly one line or leaves the log as it was.

#include "FuzzSupport.h"
#include "core/ActivityLog.h"
#include "core/FirstNames.h"
#include "core/QsoLine.h"
#include "core/Statistics.h"
#include "core/TextFile.h"

#include <QFile>

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
    const std::optional<QDateTime> key = qsoOrderingKey(line);
    check(key.has_value() == number.has_value(), "the two ordering readings disagree", line);
    if (key)
        check(key->toString(QStringLiteral("yyyyMMddHHmm")).toLongLong() == *number,
              "the ordering number is not the date and time", line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = view(data, size).toByteArray();
    const QString path = scratchFile("F-00001.txt");
    putFile(path, input);

    ActivityLog log(path);
    const ActivityLog::Items items = log.items();
    check(items.status.ok, "a readable log was refused", items.status.message);
    check(items.lines == splitLines(cp1252::decode(input)), "lines lost or changed on reading");
    check(items.items.size() == items.lines.size(), "one list item per QSO");
    for (qsizetype i = 0; i < items.lines.size(); ++i) {
        check(items.items.at(i) == qsoListItem(int(i + 1), items.lines.at(i)),
              "a list item does not match its line", items.lines.at(i));
        checkLine(items.lines.at(i));
    }
    // A list that grew from its first half gets the same items as one built whole.
    QStringList grown = qsoListItems(items.lines.mid(0, items.lines.size() / 2));
    appendQsoListItems(grown, items.lines);
    check(grown == items.items, "a grown list differs from a full one");

    const OperatorCount operators = Compte_Operateurs(items.lines);
    check(operators.count >= 0 && operators.count <= items.lines.size(),
          "more operators than QSOs");
    if (!items.lines.isEmpty()) {
        const QsoFields first = readQsoLine(items.lines.first());
        const DuplicateResult dup =
            Cherche_Doublon(items.lines, first.call, first.band, first.mode);
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
    check(!QFile::exists(scratchFile("Temporaire6.txt")), "scratch file left behind");

    // A live QSO appended: the kept reading, grown or read again, is what the file now holds.
    const IoResult appended = log.append(restored);
    const ActivityLog::Items afterAppend = log.items();
    check(afterAppend.lines == readTextFile(path).lines,
          "the kept reading differs from the log after an append", appended.message);
    check(afterAppend.items == qsoListItems(afterAppend.lines),
          "the kept list items differ from the log after an append");
    return 0;
}
