// Validation of the QSO in the fields: the line is built, the log written, then the first-name
// memory updated; only then are the fields emptied for the next QSO. A log that cannot be
// written leaves the QSO in the fields, so nothing typed is lost; a memory that cannot be
// written is reported and the QSO stays logged.

#include "core/aids/FirstNames.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "core/log/QsoLine.h"
#include "core/reports/Statistics.h"
#include "entry/DepartmentPainter.h"
#include "entry/PartialCheckPanel.h"
#include "entry/QsoList.h"
#include "entry/RateLine.h"
#include "entry/Saisie_QSO.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zep {

bool Saisie_QSO::Valide_Q_Click() {
    // A corrected or inserted QSO can be taken back; a live QSO cannot.
    const bool correction = state_.modeAjout || state_.modeEdition;
    const CorrectionKind kind = state_.modeAjout ? CorrectionKind::Insertion : CorrectionKind::Edit;
    const CorrectionHistory::Before before =
        correction ? CorrectionHistory::before(correctedLogs()) : CorrectionHistory::Before{};
    bool written;
    if (state_.modeAjout) {
        written = Insertion_QSO();
        if (written)
            state_.modeAjout = false;
    } else {
        written = Enregistre_QSO();
    }
    if (!written)
        return false;
    // The corrected or inserted QSO is written: neither mode goes on, so the status line no
    // longer names one.
    Status->clear();

    // Num_Q already holds the next number: the list was reloaded from the log just written.
    Liste_QSO->setCurrentRow(Liste_QSO->count() - 1);
    resetForNextQso();
    state_.modeEdition = false;
    state_.champEfface = false;
    copyToSecondReference();
    if (correction)
        corrections_.record(before, kind);
    return true;
}

Saisie_QSO::Stamp Saisie_QSO::liveStamp() {
    // The tick is run now so that the minute stamped is the one the clock shows at this
    // moment, not the one of up to a second ago.
    Timer1_Timer();
    const QLabel *shown = utcClock() ? Label37 : Label34;
    return {state_.dateCourante, shown->text().left(5)};
}

bool Saisie_QSO::typedStampHolds() {
    // A quick key or "Validez" may come before the date and time fields were reached: a QSO
    // without them would have no date in the log, and an inserted one no place in its order.
    // The entry goes to the first of them that is not right, as typed.
    const std::pair<QLineEdit *, FieldVerdict> checks[] = {
        {Date_Q, rules::date(Date_Q->text())},
        {Heure_Q, rules::time(Heure_Q->text(), rules::Trigger::Enter)},
    };
    for (const auto &[field, verdict] : checks) {
        if (verdict.ok)
            continue;
        dialogs_.message(verdict.message);
        if (auto *from = qobject_cast<QLineEdit *>(QApplication::focusWidget()))
            FieldChain::leave(from);
        showDateAndTime(true);
        FieldChain::expect(field);
        return false;
    }
    return true;
}

bool Saisie_QSO::Enregistre_QSO() {
    return writeQso(false);
}

bool Saisie_QSO::Insertion_QSO() {
    return writeQso(true);
}

bool Saisie_QSO::writeQso(bool insert) {
    Observation_Q->setText(Observation_Q->text().toUpper());
    if (insert)
        Prenom_Q->setText(Prenom_Q->text().toUpper());

    QsoFields fields;
    if (insert || state_.modeEdition || deferredEntry()) {
        if (!typedStampHolds())
            return false;
        fields.date = Date_Q->text();
        fields.time = Heure_Q->text();
    } else {
        const Stamp now = liveStamp();
        fields.date = now.date;
        fields.time = now.time;
    }
    fields.call = Indi_Q->text();
    fields.department = Dpt_Q->text();
    fields.firstName = Prenom_Q->text();
    fields.rstReceived = QRKR_Q->text();
    fields.rstSent = QRKE_Q->text();
    fields.mode = Mode_Q->currentText();
    fields.band = Bande_Q->currentText();
    fields.remarks = Observation_Q->text();
    const BuiltLine built = buildQsoLine(fields);
    if (!built.ok) {
        dialogs_.message(built.error);
        return false;
    }
    // "Validez" clicked without the Enter checks: a character the log cannot hold is refused
    // here, before anything is written.
    if (!cp1252::canEncode(built.line)) {
        dialogs_.message(unencodableMessage(built.line));
        return false;
    }

    // The log first: the QSO is what must not be lost. On a nearly full medium the log still
    // grows by one line while the memory needs room for a whole second copy; a memory that
    // cannot be updated then costs the first name of this station, never the QSO.
    const std::optional<qint64> hz = radioFrequency(fields.band);
    ActivityLog log(logPath());
    IoResult done;
    if (insert)
        done = log.insertChronologically(built.line);
    else if (state_.modeEdition)
        done = log.replace(built.line, state_.qsoChoisi);
    else
        done = log.append(built.line);
    if (!done) {
        dialogs_.message(done.message);
        return false;
    }
    keepFrequency(insert, built.line, hz.value_or(0));

    FirstNameMemory memory(firstNamesPath());
    // A call sign changed after its Enter (then "Validez" clicked) was never looked up: what
    // the memory knows of it decides between rewriting its entry and adding one.
    if (fields.call != lookedUpCall_) {
        state_.prenomInconnu = !memory.find(fields.call).known;
        lookedUpCall_ = fields.call;
    }
    const IoResult remembered =
        memory.remember(fields.call, fields.department, fields.firstName, state_.prenomInconnu);
    if (!remembered)
        dialogs_.message(QStringLiteral("Le QSO est enregistré, mais le prénom de %1 n'est pas "
                                        "mémorisé.\n%2")
                             .arg(fields.call, remembered.message));
    else
        Controle_Partiel->remembered(fields.call, fields.department, fields.firstName);
    state_.prenomInconnu = false;
    // The next lookup of this call sign reads the memory again, whatever it now holds.
    lookedUpCall_.clear();

    if (!deferredEntry()) {
        if (insert) {
            Date_Q->clear();
            Heure_Q->clear();
        }
        showDateAndTime(false);
    }
    refreshFromLog();
    return true;
}

QStringList Saisie_QSO::correctedLogs() const {
    QStringList logs{logPath()};
    const CurrentActivation a = setup_.currentActivation();
    const QString second = a.secondReference.trimmed();
    // Without a second number, or with the same one, there is no other log to keep level.
    if (a.isDouble && !second.isEmpty() && second != a.reference.trimmed())
        logs.append(activityLogPath(programDir_, second));
    return logs;
}

void Saisie_QSO::copyToSecondReference() {
    const QStringList logs = correctedLogs();
    if (logs.size() < 2)
        return;
    // The second log is kept level with the first: a live QSO is appended to it, any other
    // change replaces it in one step, so that it is never missing, even for a moment.
    const QString &secondLog = logs.at(1);
    IoResult copied = ActivityLog(logPath()).copyTo(secondLog);
    if (copied)
        copied = QsoFrequencies(logPath()).copyTo(secondLog);
    if (!copied)
        dialogs_.message(copied.message);
}

void Saisie_QSO::resetForNextQso() {
    for (QLineEdit *f : {Indi_Q, Dpt_Q, Prenom_Q, Observation_Q, Heure_Q})
        f->clear();
    for (QLineEdit *f : {Dpt_Q, Prenom_Q, QRKR_Q, QRKE_Q, Observation_Q, Date_Q, Heure_Q})
        FieldChain::leave(f);
    for (QWidget *w : std::initializer_list<QWidget *>{QRKR_Q, QRKE_Q, Dpt_Q, Prenom_Q,
                                                       Observation_Q, Date_Q, Heure_Q, Valide_Q})
        w->setEnabled(false);
    FieldChain::expect(Indi_Q);
}

QStringList Saisie_QSO::Charge_Liste_QSO() {
    return fillList().lines;
}

ActivityLog::Lines Saisie_QSO::fillList() {
    const ActivityLog::Lines log = ActivityLog(logPath()).read();
    if (!log.status)
        dialogs_.message(log.status.message);
    // The list follows the log by its changes since it was filled.
    Liste_QSO->rows().follow(log.reading());
    // As after a refill: nothing chosen for a moment, then the last QSO chosen as by a click,
    // even when it already was the current one.
    Liste_QSO->setCurrentRow(-1);
    Liste_QSO->setCurrentRow(Liste_QSO->count() - 1);
    Num_Q->setText(QString::number(log.lines.size() + 1));
    return log;
}

void Saisie_QSO::refreshFromLog() {
    // One reading of the log serves the list, the operator count and the strip; each follows
    // the log by its changes since it last saw it.
    const ActivityLog::Lines log = fillList();
    const LogReading reading = log.reading();
    // A large log met anew (the opening, another activation) is counted on a worker: the
    // window shows its list at once and the counts when they are made. The known call signs
    // follow at once.
    if (!countOnWorker(reading))
        refreshCounts(reading);
    emit logRefreshed(reading);
}

bool Saisie_QSO::countOnWorker(const LogReading &reading) {
    if (!counter_->running() && (reading.lines.size() < LogCounter::inBackgroundFrom ||
                                 reachable(operators_.seen(), reading)))
        return false;
    counter_->start(logPath(), reading);
    rate_->setWaiting(true);
    return true;
}

void Saisie_QSO::refreshCounts(const LogReading &reading) {
    Tot_Ope->setText(QString::number(operators_.count(reading)));
    painter_->paint(reading, Bande_Q->currentText(), Mode_Q->currentText(), Bande_Q->currentText(),
                    Mode_Q->currentText());
}

void Saisie_QSO::takeCounts() {
    std::unique_ptr<LogFollowers> made = counter_->take();
    if (made && counter_->path() == logPath()) {
        std::swap(operators_, made->operators);
        std::swap(duplicates_, made->duplicates);
        painter_->swapTally(made->departments);
        rate_->swapFollower(made->rate);
    }
    // What the counts replaced goes to a worker to be freed.
    LogCounter::release(std::move(made));
    rate_->setWaiting(false);
    // The log as it is now: the followers catch up by its changes since the count (or, for
    // a count of another log, it is counted again).
    const LogReading reading = ActivityLog(logPath()).read().reading();
    if (countOnWorker(reading))
        return;
    refreshCounts(reading);
    if (aids_)
        rate_->followLog(reading);
}

int Saisie_QSO::Colore_Departements(const QString &band, const QString &mode) {
    const ActivityLog::Lines log = ActivityLog(logPath()).read();
    return painter_->paint(log.reading(), band, mode, Bande_Q->currentText(),
                           Mode_Q->currentText());
}

} // namespace zep
