#include "platform/HelperVoiceKeyer.h"

#include "core/station/KeyerMessages.h"
#include "core/station/KeyerSettings.h"
#include "platform/HelperRig.h"

#include <functional>

namespace zep {

namespace {

/// "Messages vocaux, F1 : cause." — one line for the status bar or a message box.
QString voiceLine(int key, QString cause) {
    cause = cause.simplified();
    if (!cause.endsWith(QLatin1Char('.')))
        cause += QLatin1Char('.');
    return QStringLiteral("Messages vocaux, F%1 : %2").arg(key).arg(cause);
}

const QString helperGone = QStringLiteral("le programme du son s'est arrêté");
const QString helperSilent = QStringLiteral("le programme du son ne répond pas");
const QString pathTooLong = QStringLiteral("le chemin du fichier du message est trop long");

/// A sound helper that does not answer within `guard` is replaced; one that is gone or silent
/// ends the work under way with `fail`.
void watchHelper(QObject *owner, VoiceHelper &helper, QTimer &guard,
                 const std::function<void(const QString &)> &fail) {
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, owner, [&helper, fail] {
        helper.replace();
        fail(helperSilent);
    });
    QObject::connect(&helper, &VoiceHelper::gone, owner, [fail] { fail(helperGone); });
}

/// Asks the helper to read the message at `path` for `device` (empty: the default output), the
/// guard set for its answer; a path that cannot travel is said through `fail`.
void askLoad(VoiceHelper &helper, QTimer &guard, quint64 id, const QString &device,
             const QString &path, const std::function<void(const QString &)> &fail) {
    if (!helper.send({voiceproto::Request::Kind::Load, id, device, path, 0})) {
        fail(pathTooLong);
        return;
    }
    guard.start(helper.timing().loadMs);
}

} // namespace

HelperVoiceKeyer::HelperVoiceKeyer(QString programDir, const SettingsStore &settings,
                                   HelperRig *rig, QString program, VoiceTiming timing,
                                   QObject *parent)
    : VoiceKeyer(parent), programDir_(std::move(programDir)), settings_(settings), rig_(rig),
      helper_(std::move(program), timing) {
    watchHelper(this, helper_, guard_, [this](const QString &cause) { fail(cause); });
    connect(&helper_, &VoiceHelper::replied, this, &HelperVoiceKeyer::replied);
    if (rig_) {
        connect(rig_, &HelperRig::keyingDone, this, [this](quint64 id) {
            if (id == pttId_ && phase_ == Phase::Keying)
                startPlaying();
        });
        connect(rig_, &HelperRig::keyingFailed, this, [this](quint64 id, const QString &cause) {
            if (id == pttId_ && (phase_ == Phase::Keying || phase_ == Phase::Playing))
                fail(QStringLiteral("le poste n'a pas pris le PTT : %1").arg(cause));
        });
        connect(rig_, &HelperRig::pttReleased, this, [this] {
            // The watchdog, or the radio helper that died: no sound goes out unkeyed.
            if (keyed_) {
                keyed_ = false;
                fail(QStringLiteral("le PTT a été relâché avant la fin du message"));
            }
        });
    }
}

HelperVoiceKeyer::~HelperVoiceKeyer() {
    // The program closes: the transmitter is never left keyed.
    stop();
}

void HelperVoiceKeyer::play(int key) {
    stop();
    const KeyerSettings s = KeyerSettings::load(settings_);
    key_ = key;
    withPtt_ = s.voicePtt == KeyerSettings::VoicePtt::Cat;
    if (withPtt_ && !rig_) {
        phase_ = Phase::Loading;
        fail(QStringLiteral("le PTT par le poste (CAT) n'est pas disponible"));
        return;
    }
    playId_ = helper_.nextId();
    phase_ = Phase::Loading;
    askLoad(helper_, guard_, playId_, s.voiceOutput, keyer::recordingPath(programDir_, key),
            [this](const QString &cause) { fail(cause); });
}

void HelperVoiceKeyer::replied(const voiceproto::Reply &reply) {
    if (reply.kind == voiceproto::Reply::Kind::Stopped && reply.id == playId_) {
        emit silenced();
        return;
    }
    if (phase_ == Phase::Idle || reply.id != playId_)
        return;
    switch (reply.kind) {
    case voiceproto::Reply::Kind::Ready:
        if (phase_ != Phase::Loading)
            return;
        lengthMs_ = reply.value;
        if (!withPtt_) {
            startPlaying();
            return;
        }
        // The PTT first; the sound once the radio has taken it. The PTT's watchdog lets it
        // stay keyed for the message's length and 2 s more at most.
        phase_ = Phase::Keying;
        keyed_ = true;
        pttId_ = rig_->setPtt(true, lengthMs_);
        guard_.start(helper_.timing().keyingMs);
        return;
    case voiceproto::Reply::Kind::Playing:
        emit playing();
        return;
    case voiceproto::Reply::Kind::Ended:
        if (phase_ != Phase::Playing)
            return;
        guard_.stop();
        phase_ = Phase::Idle;
        release();
        emit finished();
        return;
    case voiceproto::Reply::Kind::Failed:
        fail(reply.cause);
        return;
    default:
        return;
    }
}

void HelperVoiceKeyer::startPlaying() {
    phase_ = Phase::Playing;
    helper_.send({voiceproto::Request::Kind::Start, playId_, {}, {}, 0});
    guard_.start(lengthMs_ + helper_.timing().marginMs);
}

void HelperVoiceKeyer::release() {
    if (keyed_ && rig_)
        rig_->setPtt(false);
    keyed_ = false;
}

void HelperVoiceKeyer::stop() {
    guard_.stop();
    if (phase_ == Phase::Idle)
        return;
    // The PTT is released first: the transmitter never waits on the sound helper.
    release();
    phase_ = Phase::Idle;
    if (helper_.helperPid())
        helper_.send({voiceproto::Request::Kind::Stop, playId_, {}, {}, 0});
}

void HelperVoiceKeyer::fail(const QString &cause) {
    if (phase_ == Phase::Idle) {
        release();
        return;
    }
    stop();
    emit failed(voiceLine(key_, cause));
}

HelperVoiceRecorder::HelperVoiceRecorder(QString programDir, QString program, VoiceTiming timing,
                                         QObject *parent)
    : VoiceRecorder(parent), programDir_(std::move(programDir)),
      helper_(std::move(program), timing) {
    watchHelper(this, helper_, guard_, [this](const QString &cause) { fail(cause); });
    connect(&helper_, &VoiceHelper::replied, this, &HelperVoiceRecorder::replied);
}

void HelperVoiceRecorder::record(int key, const QString &input) {
    stop();
    id_ = helper_.nextId();
    const voiceproto::Request r{voiceproto::Request::Kind::Record, id_, input,
                                keyer::recordingPath(programDir_, key), helper_.timing().recordMs};
    phase_ = Phase::Recording;
    if (!helper_.send(r)) {
        fail(pathTooLong);
        return;
    }
    guard_.start(helper_.timing().recordMs + helper_.timing().marginMs);
}

void HelperVoiceRecorder::listen(int key) {
    stop();
    id_ = helper_.nextId();
    phase_ = Phase::Loading;
    askLoad(helper_, guard_, id_, QString(), keyer::recordingPath(programDir_, key),
            [this](const QString &cause) { fail(cause); });
}

void HelperVoiceRecorder::stop() {
    switch (phase_) {
    case Phase::Idle:
    case Phase::Saving:
        return;
    case Phase::Recording:
        // Saved by the helper, then answered.
        phase_ = Phase::Saving;
        helper_.send({voiceproto::Request::Kind::Stop, id_, {}, {}, 0});
        guard_.start(helper_.timing().loadMs);
        return;
    case Phase::Loading:
    case Phase::Listening:
        guard_.stop();
        phase_ = Phase::Idle;
        if (helper_.helperPid()) // a helper gone has nothing left to stop
            helper_.send({voiceproto::Request::Kind::Stop, id_, {}, {}, 0});
        emit played();
        return;
    }
}

void HelperVoiceRecorder::replied(const voiceproto::Reply &reply) {
    if (phase_ == Phase::Idle || reply.id != id_)
        return;
    switch (reply.kind) {
    case voiceproto::Reply::Kind::Level:
        if (phase_ == Phase::Recording)
            emit level(reply.value);
        return;
    case voiceproto::Reply::Kind::Saved:
        guard_.stop();
        phase_ = Phase::Idle;
        emit saved(reply.value);
        return;
    case voiceproto::Reply::Kind::Ready:
        if (phase_ != Phase::Loading)
            return;
        phase_ = Phase::Listening;
        helper_.send({voiceproto::Request::Kind::Start, id_, {}, {}, 0});
        guard_.start(reply.value + helper_.timing().marginMs);
        return;
    case voiceproto::Reply::Kind::Ended:
        guard_.stop();
        phase_ = Phase::Idle;
        emit played();
        return;
    case voiceproto::Reply::Kind::Failed:
        fail(reply.cause);
        return;
    default:
        return;
    }
}

void HelperVoiceRecorder::fail(const QString &cause) {
    if (phase_ == Phase::Idle)
        return;
    guard_.stop();
    phase_ = Phase::Idle;
    QString line = cause.simplified();
    if (!line.endsWith(QLatin1Char('.')))
        line += QLatin1Char('.');
    line[0] = line[0].toUpper();
    emit failed(line);
}

} // namespace zep
