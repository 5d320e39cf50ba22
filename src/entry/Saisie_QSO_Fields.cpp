// The entry fields of the QSO window: what each Enter checks and where it leads.

#include "core/aids/FirstNames.h"
#include "core/log/ActivityLog.h"
#include "entry/Saisie_QSO.h"
#include "platform/FieldKeys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace zep {

using rules::Trigger;
using Quick = FieldChain::QuickKeys;

void Saisie_QSO::bindFields() {
    chain_.setQuickValidation([this] { return !deferredEntry(); }, [this] { validateQso(); });
    FieldKeys::upperCase(Indi_Q);

    chain_.bind(Bande_Q, {[this](Trigger) { return rules::band(Bande_Q->currentText()); },
                          [this] {
                              // A typed band that is not in the list keeps the stored choice.
                              const int index = Bande_Q->findText(Bande_Q->currentText());
                              if (index >= 0)
                                  settings_.writeInt(keys::bandeActivite, index);
                              // Only the strip changes: the list, its chosen QSO and the
                              // number of a QSO being corrected stay as they are.
                              paintDepartments(Bande_Q->currentText(), Mode_Q->currentText());
                              FieldChain::leave(Indi_Q);
                              return true;
                          },
                          [this] { return Mode_Q; }, Quick::None});

    chain_.bind(Mode_Q, {[this](Trigger) { return rules::mode(Mode_Q->currentText()); },
                         [this] {
                             const int index = Mode_Q->findText(Mode_Q->currentText());
                             if (index >= 0)
                                 settings_.writeInt(keys::modeActivite, index);
                             paintDepartments(Bande_Q->currentText(), Mode_Q->currentText());
                             setReports(Mode_Q->currentText() == QLatin1String("SSB")
                                            ? QStringLiteral("59")
                                            : QStringLiteral("599"));
                             return true;
                         },
                         [this] { return Indi_Q; }, Quick::None});
    // A band or mode chosen with the mouse changes what the strip must show at once.
    connect(Mode_Q, &QComboBox::activated, this, [this](int index) {
        applyMode(index);
        paintDepartments(Bande_Q->currentText(), Mode_Q->currentText());
    });
    connect(Bande_Q, &QComboBox::activated, this,
            [this] { paintDepartments(Bande_Q->currentText(), Mode_Q->currentText()); });

    chain_.bind(Indi_Q, {[this](Trigger) {
                             return rules::callSign(Indi_Q->text(), Mode_Q->currentText(),
                                                    Bande_Q->currentText());
                         },
                         [this] { return acceptCallSign(); },
                         [this]() -> QWidget * {
                             return rules::leadsToDepartment(Indi_Q->text()) ? Dpt_Q : Prenom_Q;
                         },
                         Quick::None});

    chain_.bind(Dpt_Q, {[this](Trigger t) { return rules::department(Dpt_Q->text(), t); },
                        {},
                        [this] { return Prenom_Q; },
                        Quick::FunctionKeys});
    chain_.bind(Prenom_Q, {[this](Trigger) { return rules::firstName(Prenom_Q->text()); },
                           {},
                           [this] { return QRKR_Q; },
                           Quick::FunctionKeys});
    chain_.bind(QRKR_Q, {[this](Trigger) {
                             return rules::report(QRKR_Q->text(), rules::Report::Received,
                                                  Mode_Q->currentText());
                         },
                         {},
                         [this] { return QRKE_Q; },
                         Quick::FunctionKeysAndKeypadPlus});
    chain_.bind(QRKE_Q, {[this](Trigger) {
                             return rules::report(QRKE_Q->text(), rules::Report::Sent,
                                                  Mode_Q->currentText());
                         },
                         {},
                         [this] { return Observation_Q; },
                         Quick::FunctionKeysAndKeypadPlus});
    chain_.bind(Observation_Q, {[this](Trigger) { return rules::remarks(Observation_Q->text()); },
                                {},
                                [this] { return afterRemarks(); },
                                Quick::FunctionKeys});
    chain_.bind(Date_Q, {[this](Trigger) { return rules::date(Date_Q->text()); },
                         [this] {
                             settings_.write(keys::dateActivite, Date_Q->text());
                             return true;
                         },
                         [this] { return Heure_Q; }, Quick::FunctionKeys});
    chain_.bind(Heure_Q, {[this](Trigger t) { return rules::time(Heure_Q->text(), t); },
                          {},
                          [this] { return Valide_Q; },
                          Quick::FunctionKeys});

    connect(Valide_Q, &QPushButton::clicked, this, [this] { validateQso(); });
}

QWidget *Saisie_QSO::afterRemarks() const {
    if (deferredEntry() || state_.inserting || state_.correcting)
        return Date_Q;
    return Valide_Q;
}

bool Saisie_QSO::acceptCallSign() {
    const QString call = Indi_Q->text();
    if (!state_.correcting) {
        const ActivityLog::Lines log = ActivityLog(logPath()).read();
        if (!log.status)
            dialogs_.message(log.status.message);
        const DuplicateResult earlier =
            duplicates_.find(log.reading(), call, Bande_Q->currentText(), Mode_Q->currentText());
        if (earlier.found &&
            dialogs_.question(duplicateQuestion(call, earlier, Bande_Q->currentText()))) {
            // The operator drops the entry: back to an empty call sign, nothing looked up.
            Indi_Q->clear();
            Indi_Q->setFocus();
            return false;
        }
    }
    lookUpFirstName(call);
    Valide_Q->setEnabled(true);
    return true;
}

void Saisie_QSO::lookUpFirstName(const QString &call) {
    const FirstNameLookup found = FirstNameMemory(firstNamesPath()).find(call);
    state_.firstNameUnknown = !found.known;
    lookedUpCall_ = call;
    if (!found.known)
        return;
    Dpt_Q->setText(found.department);
    Prenom_Q->setText(found.firstName);
    Dpt_Q->setEnabled(true);
    Prenom_Q->setEnabled(true);
}

void Saisie_QSO::applyMode(int index) {
    setReports(Mode_Q->itemText(index) == QLatin1String("CW") ? QStringLiteral("599")
                                                              : QStringLiteral("59"));
    settings_.writeInt(keys::modeActivite, index);
}

void Saisie_QSO::setReports(const QString &report) {
    QRKR_Q->setText(report);
    QRKE_Q->setText(report);
}

} // namespace zep
