// A spot taken from the "Annonces" window into the fields of the QSO to come.

#include "core/station/RadioReading.h"
#include "entry/FieldChain.h"
#include "entry/Saisie_QSO.h"

#include <QComboBox>
#include <QLineEdit>

namespace zep {

void Saisie_QSO::takeSpot(const QString &call, const QString &reference, qint64 hz,
                          const QString &mode) {
    const QString typed = Indi_Q->text().trimmed();
    const QString spotted = call.trimmed().toUpper();
    if (typed.isEmpty() ||
        (typed.compare(spotted, Qt::CaseInsensitive) != 0 &&
         dialogs_.question(
             QStringLiteral("Remplacer l'indicatif %1 par %2 ?").arg(typed, spotted))))
        Indi_Q->setText(spotted);

    // The partner's reference, once, after what the remarks already hold.
    const QString remarks = Observation_Q->text().trimmed();
    if (!reference.isEmpty() && !remarks.contains(reference, Qt::CaseInsensitive)) {
        const QString joined =
            remarks.isEmpty() ? reference : remarks + QLatin1Char(' ') + reference;
        if (Observation_Q->maxLength() >= joined.size())
            Observation_Q->setText(joined);
    }

    QStringList rows;
    for (int i = 0; i < Bande_Q->count(); ++i)
        rows.append(Bande_Q->itemText(i));
    if (const std::optional<int> row = radio::bandRow(hz, rows);
        row && *row != Bande_Q->currentIndex()) {
        Bande_Q->setCurrentIndex(*row);
        settings_.writeInt(keys::bandeActivite, *row);
    }
    if (const int index = Mode_Q->findText(mode);
        !mode.isEmpty() && index >= 0 && index != Mode_Q->currentIndex()) {
        Mode_Q->setCurrentIndex(index);
        applyMode(index);
    }
    paintDepartments(Bande_Q->currentText(), Mode_Q->currentText());

    raise();
    activateWindow();
    if (Indi_Q->isEnabled())
        Indi_Q->setFocus();
}

} // namespace zep
