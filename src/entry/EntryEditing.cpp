#include "entry/EntryEditing.h"

#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "core/log/QsoLine.h"
#include "entry/FieldChain.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"
#include "platform/QsoList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zep {

namespace {

const QString msgClickToEdit = QStringLiteral("Cliquez sur une ligne pour la modifier");
const QString msgClickToDelete = QStringLiteral("Cliquez sur une ligne pour l'annuler");
const QString msgEmptyLog = QStringLiteral("Aucun QSO dans le log");
const QString msgNoLongerLogged = QStringLiteral("Ce QSO n'est plus dans le log");
const QString statusEdit = QStringLiteral("Mode Edition d'un QSO");
const QString statusInsert = QStringLiteral("Mode Ajout d'un QSO");

// Columns of the QSO line (0-based) read by the restore question.
QString column(const QString &line, int from1, int width) {
    return line.mid(from1 - 1, width);
}

void setComboText(QComboBox *box, const QString &text) {
    const int index = box->findText(text);
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        box->setEditText(text); // a typed mode or band that is not in the list
}

} // namespace

EntryEditing::EntryEditing(Saisie_QSO &window, Dialogs &dialogs)
    : QObject(&window), window_(window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("EntryEditing"));
    connect(window_.Liste_QSO, &QsoList::currentRowChanged, this, &EntryEditing::Liste_QSO_Choice);
    connect(window_.Edite_QSO, &QPushButton::clicked, this, &EntryEditing::Edite_QSO_Click);
    connect(window_.Efface_QSO, &QPushButton::clicked, this, &EntryEditing::Efface_QSO_Click);
    connect(window_.Recupere, &QPushButton::clicked, this, &EntryEditing::Recupere_Click);
    connect(window_.Ajout_QSO, &QPushButton::clicked, this, &EntryEditing::Ajout_QSO_Click);
    connect(window_.Annule_Q, &QPushButton::clicked, this, &EntryEditing::Annule_Saisie);
    connect(window_.Recherche, &QPushButton::clicked, this, &EntryEditing::Recherche_Click);

    // The window selected the last QSO when it loaded the list: without a click, that is the
    // chosen one. Nothing has been deleted yet, so there is nothing to restore.
    Liste_QSO_Choice(window_.Liste_QSO->currentRow());
    window_.Recupere->setEnabled(false);
}

EntryEditing *EntryEditing::of(Saisie_QSO &window) {
    return window.findChild<EntryEditing *>(QStringLiteral("EntryEditing"),
                                            Qt::FindDirectChildrenOnly);
}

QString EntryEditing::lineOfItem(const QString &item, QString *number) {
    QStringView digits;
    const QStringView line = qsoLineOfItem(item, &digits);
    if (number)
        *number = digits.toString();
    return line.toString();
}

QString EntryEditing::deletionQuestion(const QString &line, int occurrences) {
    QString question = QStringLiteral("Voulez vous effacer le QSO avec ") + readQsoLine(line).call +
                       QStringLiteral(" ?");
    // Deleting takes out every copy of the line but restoring brings back one: the operator
    // is told before copies disappear.
    if (occurrences > 1)
        question += QStringLiteral("\nCe QSO figure %1 fois dans le log : les %1 seront effacés")
                        .arg(occurrences);
    return question;
}

QString EntryEditing::restoreQuestion(const QString &line) {
    return QStringLiteral("Voulez vous recuperer le QSO avec ") +
           column(line, qsocol::call, qsocol::callWidth).trimmed() + QStringLiteral(" a ") +
           column(line, qsocol::time, qsocol::timeWidth) + QStringLiteral(" sur ") +
           column(line, qsocol::band, qsocol::bandWidth).trimmed() + QStringLiteral(" Mhz en ") +
           column(line, qsocol::mode, qsocol::modeWidth).trimmed();
}

void EntryEditing::Liste_QSO_Choice(int row) {
    // Emptying the list (before a reload) chooses nothing new; the line being edited stays
    // chosen until the edit ends.
    if (row < 0 || window_.state().correcting)
        return;
    EntryState &state = window_.state();
    state.chosenItem = window_.Liste_QSO->itemText(row);
    state.chosenLine = lineOfItem(state.chosenItem);
}

bool EntryEditing::takeCurrentItem() {
    QsoList *list = window_.Liste_QSO;
    if (list->count() == 0)
        return false;
    if (list->currentRow() >= 0) {
        EntryState &state = window_.state();
        state.chosenItem = list->itemText(list->currentRow());
        state.chosenLine = lineOfItem(state.chosenItem);
    }
    return true;
}

int EntryEditing::chosenOccurrences() {
    const ActivityLog::Lines log = ActivityLog(window_.logPath()).read();
    if (!log.status) {
        dialogs_.message(log.status.message);
        return -1;
    }
    const int count = int(log.lines.count(window_.state().chosenLine));
    if (count == 0)
        dialogs_.message(msgNoLongerLogged);
    return count == 0 ? -1 : count;
}

void EntryEditing::showDateAndTime(bool shown) {
    for (QWidget *w : std::initializer_list<QWidget *>{window_.dateCaption, window_.timeCaption,
                                                       window_.Date_Q, window_.Heure_Q})
        w->setVisible(shown);
}

void EntryEditing::Edite_QSO_Click() {
    if (!takeCurrentItem()) {
        dialogs_.message(msgEmptyLog);
        return;
    }
    if (window_.state().chosenItem.isEmpty()) {
        dialogs_.message(msgClickToEdit);
        return;
    }
    // A QSO that is no longer in the file could not be rewritten at validation.
    if (chosenOccurrences() < 0)
        return;
    // The QSO is corrected in place: an insert mode left on would add it a second time.
    window_.state().inserting = false;
    window_.state().correcting = true;
    window_.modeStatus->setText(statusEdit);
    fillFieldsFromChosen();
    window_.state().retypeCleared = false;
    FieldChain::expect(window_.Indi_Q);
}

void EntryEditing::fillFieldsFromChosen() {
    QString number;
    const QString line = lineOfItem(window_.state().chosenItem, &number);
    const QsoFields f = readQsoLine(line);

    window_.Num_Q->setText(number.toInt() < 10 ? QStringLiteral("0") + number : number);
    window_.Indi_Q->setText(f.call);
    FieldChain::leave(window_.Indi_Q);
    // Band and mode first: the reports shown must be the QSO's, not a mode's default.
    setComboText(window_.Mode_Q, f.mode);
    setComboText(window_.Bande_Q, f.band);
    window_.Dpt_Q->setText(f.department);
    window_.Prenom_Q->setText(f.firstName);
    window_.QRKR_Q->setText(f.rstReceived);
    window_.QRKE_Q->setText(f.rstSent);
    window_.Observation_Q->setText(f.remarks);
    for (QLineEdit *field :
         {window_.Dpt_Q, window_.Prenom_Q, window_.QRKR_Q, window_.QRKE_Q, window_.Observation_Q})
        field->setEnabled(true);
    window_.Date_Q->setText(f.date);
    window_.Heure_Q->setText(f.time);
    showDateAndTime(true);
}

void EntryEditing::Efface_QSO_Click() {
    if (!takeCurrentItem()) {
        dialogs_.message(msgEmptyLog);
        return;
    }
    EntryState &state = window_.state();
    if (state.chosenItem.isEmpty()) {
        dialogs_.message(msgClickToDelete);
        return;
    }
    const int occurrences = chosenOccurrences();
    if (occurrences < 0)
        return;

    if (dialogs_.question(deletionQuestion(state.chosenLine, occurrences))) {
        const QString line = state.chosenLine;
        const CorrectionHistory::Before before = CorrectionHistory::before(window_.correctedLogs());
        const IoResult removed = ActivityLog(window_.logPath()).remove(line);
        if (removed) {
            state.deletedLine = line;
            window_.Recupere->setEnabled(true);
            // Its frequency is kept here for a restore (the side file follows the log only).
            const QsoFrequencies::Removed frequency =
                QsoFrequencies(window_.logPath()).remove(line);
            deletedHz_ = frequency.hz;
            if (!frequency.status)
                dialogs_.message(frequency.status.message);
            // The second log of a double activation loses it at once, not at the next QSO.
            window_.copyToSecondReference();
            window_.corrections().record(before, CorrectionKind::Deletion);
        } else {
            dialogs_.message(removed.message);
        }
    }

    // Whatever the answer, the entry starts again from an empty call sign on the reloaded log.
    Annule_Saisie();
    window_.refreshFromLog();
    if (window_.deferredEntry())
        showDateAndTime(true);
    window_.Indi_Q->setFocus();
}

void EntryEditing::Recupere_Click() {
    EntryState &state = window_.state();
    if (state.deletedLine.isEmpty()) {
        window_.Recupere->setEnabled(false);
        return;
    }
    if (dialogs_.question(restoreQuestion(state.deletedLine))) {
        const CorrectionHistory::Before before = CorrectionHistory::before(window_.correctedLogs());
        const IoResult inserted =
            ActivityLog(window_.logPath()).insertChronologically(state.deletedLine);
        if (!inserted) {
            // The QSO is still held: the operator can try again once the cause is removed.
            dialogs_.message(inserted.message);
            return;
        }
        if (deletedHz_) {
            const IoResult kept =
                QsoFrequencies(window_.logPath()).append(state.deletedLine, *deletedHz_);
            if (!kept)
                dialogs_.message(kept.message);
        }
        window_.copyToSecondReference();
        window_.corrections().record(before, CorrectionKind::Restore);
        window_.refreshFromLog();
    }
    window_.Recupere->setEnabled(false);
}

void EntryEditing::Ajout_QSO_Click() {
    window_.state().inserting = true;
    showDateAndTime(true);
    window_.modeStatus->setText(statusInsert);
    window_.Indi_Q->setFocus();
}

void EntryEditing::Recherche_Click() {
    if (search_)
        search_();
}

void EntryEditing::Annule_Saisie() {
    EntryState &state = window_.state();
    // A correction abandoned leaves its QSO's number in Num_Q: the next QSO's is shown again.
    if (state.correcting)
        window_.Num_Q->setText(QString::number(window_.Liste_QSO->count() + 1));
    state.correcting = false;
    state.inserting = false;
    if (!window_.deferredEntry())
        showDateAndTime(false);
    window_.modeStatus->clear();

    for (QLineEdit *field : {window_.Dpt_Q, window_.Prenom_Q, window_.Observation_Q})
        field->clear();
    const QString report = window_.Mode_Q->currentText() == QLatin1String("SSB")
                               ? QStringLiteral("59")
                               : QStringLiteral("599");
    window_.QRKR_Q->setText(report);
    window_.QRKE_Q->setText(report);
    for (QLineEdit *field :
         {window_.Dpt_Q, window_.Prenom_Q, window_.QRKR_Q, window_.QRKE_Q, window_.Observation_Q}) {
        FieldChain::leave(field);
        field->setEnabled(false);
    }
    window_.Valide_Q->setEnabled(false);

    window_.Indi_Q->clear();
    FieldChain::expect(window_.Indi_Q);
}

} // namespace zep
