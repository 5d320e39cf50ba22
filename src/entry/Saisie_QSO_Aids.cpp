// What helps the operator beside the fields: the known call signs while the call sign is typed
// and the rate line. Both follow the log through logRefreshed, and neither changes a field by
// itself.

#include "core/io/Settings.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoRate.h"
#include "entry/PartialCheckPanel.h"
#include "entry/RateLine.h"
#include "entry/Saisie_QSO.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zep {

void Saisie_QSO::buildAids() {
    QWidget *central = centralWidget();
    Controle_Partiel = new PartialCheckPanel(
        Indi_Q,
        {programDir_, firstNamesPath(), [this] { return logPath(); },
         [this] { return Bande_Q->currentText().trimmed(); },
         [this] { return Mode_Q->currentText().trimmed(); }, [this] { return state_.correcting; },
         [this] { return ActivityLog(logPath()).read().reading(); }},
        central);
    rate_ = new RateLine(central, {[this] { return Bande_Q->currentText().trimmed(); },
                                   [this]() -> std::optional<qint64> {
                                       if (deferredEntry())
                                           return std::nullopt;
                                       return clockMinute(state_.clockDate, state_.clockTime);
                                   }});
    aids_ = settings_.readBool(keys::aidesSaisie, true);
    if (!aids_) {
        // Left out: never shown, the panel never builds its index.
        Controle_Partiel->hide();
        rate_->rate()->hide();
        rate_->onBand()->hide();
        return;
    }
    connect(this, &Saisie_QSO::logRefreshed, Controle_Partiel, &PartialCheckPanel::followLog);
    connect(this, &Saisie_QSO::logRefreshed, rate_, &RateLine::followLog);
    // The duplicate colour and the count on the band follow the band and mode in the boxes.
    connect(Bande_Q, &QComboBox::currentTextChanged, this, [this] {
        rate_->update();
        Controle_Partiel->refresh();
    });
    connect(Mode_Q, &QComboBox::currentTextChanged, Controle_Partiel, &PartialCheckPanel::refresh);
}

} // namespace zep
