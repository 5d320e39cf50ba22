// The radio in the QSO window: the "Poste" line, the band and mode boxes that follow the dial,
// and the frequency kept beside the log for each QSO validated while the radio answered.
// Nothing here talks to the radio: the readings come from RigControl's worker as signals, and
// no reading ever opens a message box.

#include "core/log/ActivityLog.h"
#include "core/log/QsoFrequencies.h"
#include "entry/FieldRules.h"
#include "entry/Saisie_QSO.h"
#include "platform/RigControl.h"
#include "setup/Liaison_Poste.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>

namespace zep {

void Saisie_QSO::attachRig(RigControl &rig) {
    rig_ = &rig;
    connect(&rig, &RigControl::readingChanged, this, &Saisie_QSO::showRadio);
    radioLinkItem->setEnabled(true);
    connect(radioLinkItem, &QAction::triggered, this, [this] {
        auto *dialog = new Liaison_Poste(settings_, *rig_, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
    rig.follow(RigLink::load(settings_));
}

void Saisie_QSO::showRadio(const RigReading &reading) {
    radio_ = reading;
    if (!reading.answering()) {
        radioLine->setText(radio::stateLine(reading, false));
        radioLine->setVisible(reading.state != RigReading::State::NoLink);
        radioLine->setEnabled(false); // grey: the figures are not the radio's now
        return;
    }
    QStringList rows;
    for (int i = 0; i < Bande_Q->count(); ++i)
        rows.append(Bande_Q->itemText(i));
    const std::optional<int> row = radio::bandRow(reading.hz, rows);
    radioLine->setText(radio::stateLine(reading, !row));
    radioLine->setEnabled(true);
    radioLine->setVisible(true);

    // A QSO being corrected, inserted or typed from a paper log has its own band and mode.
    // Once it is done, the boxes take the radio's again at its next reading.
    if (state_.correcting || state_.inserting || deferredEntry()) {
        radioBand_.reset();
        radioMode_.clear();
        return;
    }
    // Only a change of the radio moves a box, so that a box changed by hand stays until the
    // radio changes again.
    bool changed = false;
    if (row && row != radioBand_) {
        radioBand_ = row;
        if (Bande_Q->currentIndex() != *row || Bande_Q->currentText() != rows.at(*row)) {
            Bande_Q->setCurrentIndex(*row);
            settings_.writeInt(keys::bandeActivite, *row);
            changed = true;
        }
    }
    const QString mode = radio::modeBoxText(reading.mode);
    if (!mode.isEmpty() && mode != radioMode_ && rules::mode(mode).ok) {
        radioMode_ = mode;
        if (Mode_Q->currentText() != mode) {
            const int index = Mode_Q->findText(mode);
            if (index >= 0) {
                Mode_Q->setCurrentIndex(index);
                applyMode(index);
            } else {
                Mode_Q->setEditText(mode);
                setReports(mode == QLatin1String("CW") ? QStringLiteral("599")
                                                       : QStringLiteral("59"));
            }
            changed = true;
        }
    }
    if (changed)
        paintDepartments(Bande_Q->currentText(), Mode_Q->currentText());
}

std::optional<qint64> Saisie_QSO::radioFrequency(const QString &band) const {
    if (!radio_.answering() || state_.correcting || state_.inserting || deferredEntry())
        return std::nullopt;
    if (!radio::bandHolds(band, radio_.hz))
        return std::nullopt;
    return radio_.hz;
}

void Saisie_QSO::keepFrequency(bool insert, const QString &line, qint64 hzNow) {
    // An insertion is a QSO of earlier: the radio's frequency now is not its own.
    if (insert)
        return;
    QsoFrequencies frequencies(logPath());
    IoResult kept;
    if (state_.correcting)
        kept = frequencies.replace(line, state_.chosenLine);
    else if (hzNow > 0)
        kept = frequencies.append(line, hzNow);
    if (!kept)
        dialogs_.message(
            QStringLiteral("Le QSO est enregistré, mais sa fréquence n'est pas gardée.\n%1")
                .arg(kept.message));
}

} // namespace zep
