#include "entry/RateLine.h"

#include "platform/Accessibility.h"

#include <QLabel>

namespace zep {

RateLine::RateLine(QWidget *parent, Context context)
    : QObject(parent), context_(std::move(context)),
      rate_(new StatusLabel(QStringLiteral("Cadence"), parent)),
      onBand_(new StatusLabel(QStringLiteral("QSO sur la bande"), parent)) {
    rate_->setObjectName(QStringLiteral("Cadence"));
    onBand_->setObjectName(QStringLiteral("QSO_Bande"));
    // Both lines change at every QSO: they keep the size of their longest text, and draw
    // their plain text themselves.
    rate_->setTextFormat(Qt::PlainText);
    onBand_->setTextFormat(Qt::PlainText);
    rate_->keepSizeOf(QStringLiteral(
        "Cadence : 99999 QSO/h sur les 10 derniers, 99999 QSO/h sur la dernière heure"));
    onBand_->keepSizeOf(QStringLiteral("9999999 QSO sur 99999.999 Mhz"));
}

void RateLine::followLog(const LogReading &log) {
    if (waiting_)
        return;
    follower_.follow(log);
    update();
}

void RateLine::swapFollower(RateFollower &other) {
    std::swap(follower_, other);
    update();
}

void RateLine::update() {
    const QString band = context_.band();
    const QsoRate r = follower_.figures(band, context_.reference());
    rate_->setText(
        QStringLiteral("Cadence : %1 QSO/h sur les 10 derniers, %2 QSO/h sur la dernière heure")
            .arg(r.lastTen)
            .arg(r.lastHour));
    onBand_->setText(QStringLiteral("%1 QSO sur %2 Mhz").arg(r.onBand).arg(band));
}

} // namespace zep
