#include "platform/CatKeyer.h"

#include "core/station/KeyerMessages.h"
#include "platform/HelperRig.h"

namespace zep {

CatKeyer::CatKeyer(HelperRig &rig, QObject *parent) : CwKeyer(parent), rig_(rig) {
    end_.setSingleShot(true);
    connect(&end_, &QTimer::timeout, this, &CwKeyer::finished);
    connect(&rig_, &HelperRig::keyingDone, this, &CatKeyer::done);
    connect(&rig_, &HelperRig::keyingFailed, this, &CatKeyer::refused);
}

void CatKeyer::send(const QString &morse, int wpm) {
    end_.stop();
    mine_.insert(rig_.setKeyerSpeed(wpm));
    morseId_ = rig_.sendMorse(morse);
    morseMs_ = keyer::morseDurationMs(morse, wpm);
    mine_.insert(morseId_);
}

void CatKeyer::setSpeed(int wpm) {
    mine_.insert(rig_.setKeyerSpeed(wpm));
}

void CatKeyer::abort() {
    end_.stop();
    morseId_ = 0;
    mine_.insert(rig_.stopMorse());
}

void CatKeyer::done(quint64 id) {
    if (!mine_.remove(id))
        return;
    if (id == morseId_ && morseId_ != 0)
        end_.start(int(std::min<qint64>(morseMs_, 3'600'000)));
}

void CatKeyer::refused(quint64 id, const QString &cause) {
    if (!mine_.remove(id))
        return;
    // A refused message is not being keyed: the wait for its end is over.
    if (id == morseId_)
        morseId_ = 0;
    end_.stop();
    emit failed(QStringLiteral("Manipulateur (CAT) : %1.").arg(cause));
}

CwKeyerFactory programKeyers(HelperRig &rig) {
    return [&rig](const KeyerLink &link) -> std::unique_ptr<CwKeyer> {
        if (link.output == KeyerLink::Output::Cat)
            return std::make_unique<CatKeyer>(rig);
        return makeDeviceKeyer(link);
    };
}

} // namespace zep
