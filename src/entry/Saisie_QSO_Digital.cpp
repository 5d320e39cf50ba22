// A QSO logged by the FT8 or FT4 program becomes a line of the activation as a QSO validated
// here would: same line, same log, the frequency and the locator kept beside it, the second
// reference kept level, the list, counters and aids refreshed. The fields being typed, the
// focus and the first-name memory are left alone: the operator may be typing another QSO.

#include "core/aids/FirstNames.h"
#include "core/digital/ArrivedQso.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "core/log/QsoLine.h"
#include "core/log/QsoLocators.h"
#include "entry/Saisie_QSO.h"

#include <QComboBox>
#include <QLineEdit>

namespace zep {

namespace {

/// `text` cut to `width` characters the code page can hold (others become "?").
QString fitted(const QString &text, int width) {
    QString out;
    for (const QChar c : text.left(width))
        out += cp1252::canEncode(QString(c)) && c.unicode() >= 0x20 ? c : QChar(u'?');
    return out;
}

} // namespace

bool Saisie_QSO::logArrivedQso(const digital::ArrivedQso &qso, bool *duplicate) {
    const FirstNameLookup known = FirstNameMemory(firstNamesPath()).find(qso.call);
    QsoFields fields;
    fields.date = qso.date();
    fields.time = qso.time();
    fields.call = qso.call;
    fields.department = known.department.left(qsocol::departmentWidth);
    fields.firstName = fitted(known.firstName, qsocol::firstNameWidth);
    fields.rstReceived = qso.reportReceived;
    fields.rstSent = qso.reportSent;
    fields.mode = qso.mode;
    fields.band = qso.band;
    fields.remarks = fitted(qso.comments.toUpper(), qsocol::remarksWidth);
    const BuiltLine built = buildQsoLine(fields);
    if (!built.ok)
        return false;

    ActivityLog log(logPath());
    const ActivityLog::Lines before = log.read();
    if (!before.status) {
        dialogs_.message(before.status.message);
        return false;
    }
    if (duplicate)
        *duplicate = duplicates_.find(before.reading(), qso.call, qso.band, qso.mode).found;
    // A QSO earlier than the last one of the log takes its place by its time, as an insertion.
    const std::optional<qint64> at = qsoOrderingNumber(built.line);
    const std::optional<qint64> last =
        before.lines.isEmpty() ? std::nullopt : qsoOrderingNumber(before.lines.constLast());
    const bool earlier = at && last && *at < *last;
    const IoResult done = earlier ? log.insertChronologically(built.line) : log.append(built.line);
    if (!done) {
        dialogs_.message(done.message);
        return false;
    }
    // The side files follow the log: a lost frequency or locator costs that figure, not the QSO.
    IoResult kept = qso.hz > 0 ? QsoFrequencies(logPath()).append(built.line, qso.hz)
                               : IoResult::success();
    if (kept && !qso.grid.isEmpty())
        kept = QsoLocators(logPath()).append(built.line, qso.grid);
    if (!kept)
        dialogs_.message(
            QStringLiteral("Le QSO est enregistré, mais sa fréquence ou son locator n'est pas "
                           "gardé.\n%1")
                .arg(kept.message));

    // The number of the QSO being corrected stays in view; the list, counters and aids follow.
    const bool correcting = state_.correcting || state_.inserting;
    const QString number = Num_Q->text();
    refreshFromLog();
    if (correcting)
        Num_Q->setText(number);
    copyToSecondReference();
    const QStringList logs = correctedLogs();
    if (logs.size() > 1)
        if (const IoResult copied = QsoLocators(logPath()).copyTo(logs.at(1)); !copied)
            dialogs_.message(copied.message);
    return true;
}

} // namespace zep
