#include "platform/HelperRig.h"

namespace zep {

namespace {

RigReading silent() {
    return {RigReading::State::Silent, 0, QString()};
}

HelperWatch watchOf(const RigTiming &t) {
    return {t.pingMs, t.answerMs, t.followMs, t.firstBackoffMs, t.maxBackoffMs};
}

QStringList argumentsOf(const RigTiming &t) {
    return {QStringLiteral("--poll"),      QString::number(t.pollMs),
            QStringLiteral("--timeout"),   QString::number(t.timeoutMs),
            QStringLiteral("--reconnect"), QString::number(t.reconnectMs)};
}

} // namespace

HelperRig::HelperRig(QString program, RigTiming timing, QObject *parent)
    : RigControl(parent), timing_(timing),
      helper_(
          std::move(program), argumentsOf(timing), watchOf(timing),
          [this] {
              return rigproto::encode(
                  rigproto::Request{rigproto::Request::Kind::Ping, nextId_++, {}});
          },
          [this] { return hasWork(); }) {
    connect(&helper_, &HelperProcess::started, this, &HelperRig::started);
    connect(&helper_, &HelperProcess::gone, this, &HelperRig::helperGone);
    connect(&helper_, &HelperProcess::watched, this, &HelperRig::watched);
    connect(&helper_, &HelperProcess::line, this, [this](const QByteArray &line) {
        if (const auto reply = rigproto::parseReply(line))
            handle(*reply);
    });
    pttWatchdog_.setSingleShot(true);
    // A coarse timer may fire 5 % late: the PTT would stay keyed beyond its margin.
    pttWatchdog_.setTimerType(Qt::PreciseTimer);
    connect(&pttWatchdog_, &QTimer::timeout, this, [this] {
        setPtt(false);
        emit pttReleased();
    });
}

HelperRig::~HelperRig() {
    tests_.clear(); // nobody is left to hear of them
    stop();
}

QString HelperRig::defaultProgram() {
    return HelperProcess::beside(QStringLiteral("zep-rozadovev-poste"), QStringLiteral("poste"));
}

bool HelperRig::hasWork() const {
    return followed_.kind != RigLink::Kind::None || modelsWanted_ || !tests_.isEmpty() ||
           pttRelease_;
}

quint64 HelperRig::key(rigproto::Request request) {
    request.id = nextId_++;
    const quint64 id = request.id;
    QString refusal;
    if (followed_.kind == RigLink::Kind::None)
        refusal = QStringLiteral("aucune liaison avec le poste n'est choisie");
    else if (!helper_.running())
        refusal = QStringLiteral("le programme du poste redémarre");
    else if (request.kind == rigproto::Request::Kind::Tune && pttOn_)
        refusal = QStringLiteral("le poste émet");
    if (!refusal.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, id, refusal] { report(id, refusal); }, Qt::QueuedConnection);
        return id;
    }
    keying_.insert(id, QElapsedTimer());
    keying_[id].start();
    send(request);
    return id;
}

quint64 HelperRig::sendMorse(const QString &morse) {
    rigproto::Request r;
    r.kind = rigproto::Request::Kind::Morse;
    // The protocol takes one line of Morse at most: a longer text is cut at a character.
    QString text = morse;
    while (text.toUtf8().size() > rigproto::maxMorseBytes)
        text.chop(1);
    r.text = text;
    return key(r);
}

quint64 HelperRig::stopMorse() {
    rigproto::Request r;
    r.kind = rigproto::Request::Kind::MorseStop;
    return key(r);
}

quint64 HelperRig::setKeyerSpeed(int wpm) {
    rigproto::Request r;
    r.kind = rigproto::Request::Kind::Speed;
    r.wpm = qBound(rigproto::minWpm, wpm, rigproto::maxWpm);
    return key(r);
}

quint64 HelperRig::setPtt(bool on, int forMs) {
    rigproto::Request r;
    r.kind = rigproto::Request::Kind::Ptt;
    r.on = on;
    if (on) {
        pttOn_ = true;
        pttWatchdog_.start(std::max(0, forMs) + timing_.pttMarginMs);
    } else {
        pttOn_ = false;
        pttWatchdog_.stop();
    }
    const quint64 id = key(r);
    if (!on)
        pttOffId_ = id;
    // A release that cannot go now goes to the next helper.
    if (!on && !keying_.contains(id) && followed_.kind != RigLink::Kind::None)
        pttRelease_ = true;
    return id;
}

void HelperRig::tune(qint64 hz, const QString &mode) {
    rigproto::Request r;
    r.kind = rigproto::Request::Kind::Tune;
    r.hz = hz;
    r.mode = mode;
    if (hz < 1 || hz > rigproto::maxHertz ||
        rigproto::parseRequest(rigproto::encode(r).chopped(1)) != r) {
        QMetaObject::invokeMethod(
            this, [this] { emit tuneFailed(QStringLiteral("fréquence ou mode impossible")); },
            Qt::QueuedConnection);
        return;
    }
    tuning_.append(nextId_);
    key(r);
}

void HelperRig::failKeying(quint64 id, const QString &cause) {
    if (keying_.remove(id) == 0)
        return;
    report(id, cause);
}

void HelperRig::report(quint64 id, const std::optional<QString> &failure) {
    if (tuning_.removeOne(id)) {
        if (failure)
            emit tuneFailed(*failure);
    } else if (failure) {
        emit keyingFailed(id, *failure);
    } else {
        emit keyingDone(id);
    }
}

void HelperRig::releasePtt() {
    // The helper that keyed the transmitter is gone, perhaps with it still keyed: the next
    // helper releases it first thing.
    if (!pttOn_ && !pttRelease_)
        return;
    const bool wasOn = pttOn_;
    pttOn_ = false;
    pttWatchdog_.stop();
    pttRelease_ = followed_.kind != RigLink::Kind::None;
    if (wasOn)
        emit pttReleased();
}

void HelperRig::follow(const RigLink &link) {
    if (pttOn_) {
        // Released by name before the link changes: the helper's worker of the old link
        // answers it as it ends, and the program's end waits for that answer.
        setPtt(false);
        emit pttReleased();
    }
    followed_ = link;
    followId_ = nextId_++;
    helper_.expectWork(link.kind != RigLink::Kind::None);
    helper_.workSeen();
    if (link.kind == RigLink::Kind::None) {
        send({rigproto::Request::Kind::Follow, followId_, link});
        take(RigReading{});
        return;
    }
    if (helper_.running())
        send({rigproto::Request::Kind::Follow, followId_, link});
    else
        helper_.start(); // which sends the link followed
}

void HelperRig::test(const RigLink &link) {
    const quint64 id = nextId_++;
    if (link.kind == RigLink::Kind::None) {
        QMetaObject::invokeMethod(
            this, [this] { emit tested(silent(), QStringLiteral("aucune liaison n'est choisie")); },
            Qt::QueuedConnection);
        return;
    }
    tests_.insert(id, QElapsedTimer());
    tests_[id].start();
    if (helper_.restarting()) {
        // The helper died a moment ago and waits for its restart: the test has failed.
        QMetaObject::invokeMethod(
            this, [this, id] { failTest(id); }, Qt::QueuedConnection);
        return;
    }
    helper_.start();
    send({rigproto::Request::Kind::Test, id, link});
}

void HelperRig::listModels() {
    modelsWanted_ = true;
    modelsId_ = nextId_++;
    models_.clear();
    if (helper_.running())
        send({rigproto::Request::Kind::Models, modelsId_, {}});
    else
        helper_.start();
}

void HelperRig::stop() {
    followed_ = RigLink{};
    modelsWanted_ = false;
    pttWatchdog_.stop();
    pttRelease_ = false;
    helper_.expectWork(false);
    // A keyed transmitter is first released: the helper does so when its input closes, given
    // a moment. A release just asked may still be in this side's buffer: killed now, the
    // helper would never have it, and the transmitter would stay keyed.
    helper_.stop(pttOn_ || keying_.contains(pttOffId_) ? 1500 : 0);
    pttOn_ = false;
    failAll(QStringLiteral("le programme du poste est arrêté"));
}

void HelperRig::failAll(const QString &keyingCause) {
    const QList<quint64> pending = tests_.keys();
    for (quint64 id : pending)
        failTest(id);
    const QList<quint64> keying = keying_.keys();
    for (quint64 id : keying)
        failKeying(id, keyingCause);
}

void HelperRig::started() {
    if (followed_.kind != RigLink::Kind::None) {
        send({rigproto::Request::Kind::Follow, followId_, followed_});
        if (pttRelease_) {
            rigproto::Request off;
            off.kind = rigproto::Request::Kind::Ptt;
            off.id = pttReleaseId_ = nextId_++;
            off.on = false;
            send(off);
        }
    }
    if (modelsWanted_) {
        models_.clear();
        send({rigproto::Request::Kind::Models, modelsId_, {}});
    }
    emit helperStarted();
}

void HelperRig::helperGone() {
    failAll(QStringLiteral("le programme du poste s'est arrêté"));
    releasePtt();
    if (followed_.kind != RigLink::Kind::None)
        take(silent());
}

void HelperRig::watched() {
    QList<quint64> late;
    for (auto it = tests_.cbegin(); it != tests_.cend(); ++it)
        if (it.value().elapsed() > timing_.testMs)
            late.append(it.key());
    for (quint64 id : late)
        failTest(id);
    QList<quint64> lateKeying;
    for (auto it = keying_.cbegin(); it != keying_.cend(); ++it)
        if (it.value().elapsed() > timing_.keyingMs)
            lateKeying.append(it.key());
    for (quint64 id : lateKeying)
        failKeying(id, rigproto::frenchCause(rigproto::Cause::Timeout));
}

void HelperRig::send(const rigproto::Request &request) {
    helper_.write(rigproto::encode(request));
}

void HelperRig::handle(const rigproto::Reply &reply) {
    using Kind = rigproto::Reply::Kind;
    switch (reply.kind) {
    case Kind::Reading:
    case Kind::Silent:
        if (reply.id != followId_ || followed_.kind == RigLink::Kind::None)
            return;
        helper_.workSeen();
        if (reply.reading.answering())
            helper_.proven(); // a helper that reads the radio is sound
        take(reply.reading);
        return;
    case Kind::Tested:
        if (tests_.remove(reply.id) == 0)
            return;
        emit tested(reply.reading, reply.cause ? rigproto::frenchCause(*reply.cause) : QString());
        return;
    case Kind::Model:
        if (modelsWanted_ && reply.id == modelsId_ && models_.size() < rigproto::maxModels)
            models_.append(reply.model);
        return;
    case Kind::ModelsEnd:
        if (!modelsWanted_ || reply.id != modelsId_)
            return;
        modelsWanted_ = false;
        emit modelsListed(std::exchange(models_, {}));
        return;
    case Kind::Done:
    case Kind::Refused:
        if (reply.id == pttReleaseId_ && pttRelease_) {
            // Released, or the radio cannot be reached: either way no more tries.
            pttRelease_ = false;
            return;
        }
        if (keying_.remove(reply.id) == 0)
            return;
        if (reply.kind == Kind::Done)
            report(reply.id, std::nullopt);
        else
            report(reply.id, rigproto::keyingCause(reply.cause.value_or(rigproto::Cause::Unknown)));
        return;
    case Kind::Hello:
    case Kind::Pong:
        return;
    }
}

void HelperRig::failTest(quint64 id) {
    if (tests_.remove(id) == 0)
        return;
    emit tested(silent(), rigproto::frenchCause(rigproto::Cause::Timeout));
}

void HelperRig::take(const RigReading &reading) {
    if (reading == last_)
        return;
    last_ = reading;
    emit readingChanged(reading);
}

} // namespace zep
