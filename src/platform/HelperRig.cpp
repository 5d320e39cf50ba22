#include "platform/HelperRig.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace zep {

namespace {

const QString helperName = QStringLiteral("zep-rozadovev-poste");

RigReading silent() {
    return {RigReading::State::Silent, 0, QString()};
}

} // namespace

HelperRig::HelperRig(QString program, RigTiming timing, QObject *parent)
    : RigControl(parent), program_(std::move(program)), timing_(timing),
      backoffMs_(timing.firstBackoffMs) {
    connect(&watch_, &QTimer::timeout, this, &HelperRig::watch);
    restart_.setSingleShot(true);
    restart_.setTimerType(Qt::PreciseTimer);
    connect(&restart_, &QTimer::timeout, this, [this] {
        if (hasWork())
            startHelper();
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
    const QString dir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        dir + QLatin1Char('/') + helperName,
        dir + QStringLiteral("/../libexec/zep-rozadovev/") + helperName,
        dir + QStringLiteral("/../poste/") + helperName,
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable())
            return QFileInfo(c).absoluteFilePath();
    return candidates[0];
}

qint64 HelperRig::helperPid() const {
    return process_ ? process_->processId() : 0;
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
    else if (!process_)
        refusal = QStringLiteral("le programme du poste redémarre");
    if (!refusal.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, id, refusal] { emit keyingFailed(id, refusal); }, Qt::QueuedConnection);
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

void HelperRig::failKeying(quint64 id, const QString &cause) {
    if (keying_.remove(id) == 0)
        return;
    emit keyingFailed(id, cause);
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
        // The helper releases the transmitter of the link it stops following.
        pttOn_ = false;
        pttWatchdog_.stop();
        emit pttReleased();
    }
    followed_ = link;
    followId_ = nextId_++;
    lastReading_.restart();
    if (link.kind == RigLink::Kind::None) {
        if (process_)
            send({rigproto::Request::Kind::Follow, followId_, link});
        take(RigReading{});
        return;
    }
    if (process_)
        send({rigproto::Request::Kind::Follow, followId_, link});
    else
        ensureRunning(); // which sends the link followed
}

void HelperRig::test(const RigLink &link) {
    const quint64 id = nextId_++;
    tests_.insert(id, QElapsedTimer());
    tests_[id].start();
    if (link.kind == RigLink::Kind::None) {
        tests_.remove(id);
        QMetaObject::invokeMethod(
            this, [this] { emit tested(silent(), QStringLiteral("aucune liaison n'est choisie")); },
            Qt::QueuedConnection);
        return;
    }
    if (process_) {
        send({rigproto::Request::Kind::Test, id, link});
        return;
    }
    if (restart_.isActive()) {
        // The helper died a moment ago and waits for its restart: the test has failed.
        QMetaObject::invokeMethod(
            this, [this, id] { failTest(id); }, Qt::QueuedConnection);
        return;
    }
    startHelper();
    send({rigproto::Request::Kind::Test, id, link});
}

void HelperRig::listModels() {
    modelsWanted_ = true;
    modelsId_ = nextId_++;
    models_.clear();
    if (process_)
        send({rigproto::Request::Kind::Models, modelsId_, {}});
    else
        ensureRunning();
}

void HelperRig::stop() {
    followed_ = RigLink{};
    modelsWanted_ = false;
    restart_.stop();
    watch_.stop();
    pttWatchdog_.stop();
    pttRelease_ = false;
    if (process_) {
        QProcess *p = process_;
        process_ = nullptr;
        p->disconnect(this);
        // The helper ends on its own at the end of its input; killed as well, so that the
        // end of the program never waits on a library call. A keyed transmitter is first
        // released: the helper does so when its input closes, given a moment.
        p->closeWriteChannel();
        // A release just asked may still be in this side's buffer: killed now, the helper
        // would never have it, and the transmitter would stay keyed.
        if (pttOn_ || keying_.contains(pttOffId_))
            p->waitForFinished(1500);
        p->kill();
        delete p;
    }
    pttOn_ = false;
    const QList<quint64> pending = tests_.keys();
    for (quint64 id : pending)
        failTest(id);
    const QList<quint64> keying = keying_.keys();
    for (quint64 id : keying)
        failKeying(id, QStringLiteral("le programme du poste est arrêté"));
}

void HelperRig::ensureRunning() {
    if (!process_ && !restart_.isActive())
        startHelper();
}

void HelperRig::startHelper() {
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments({QStringLiteral("--parent"),
                            QString::number(QCoreApplication::applicationPid()),
                            QStringLiteral("--poll"), QString::number(timing_.pollMs),
                            QStringLiteral("--timeout"), QString::number(timing_.timeoutMs),
                            QStringLiteral("--reconnect"), QString::number(timing_.reconnectMs)});
    // Hamlib's own messages go nowhere: a pipe nobody reads would fill and block the helper.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &HelperRig::readOutput);
    connect(process_, &QProcess::finished, this, &HelperRig::helperGone);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            helperGone();
    });
    reader_ = rigproto::LineReader();
    lastLine_.start();
    lastReading_.start();
    lastWatch_.invalidate();
    ++starts_;
    watch_.start(timing_.pingMs);
    process_->start();
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
    if (!process_)
        return;
    QProcess *gone = std::exchange(process_, nullptr);
    gone->disconnect(this);
    // Deleted once its end is known, never waited for here: a helper just killed may still be
    // on its way out.
    if (gone->state() == QProcess::NotRunning)
        gone->deleteLater();
    else
        connect(gone, &QProcess::finished, gone, &QObject::deleteLater);
    watch_.stop();
    const QList<quint64> pending = tests_.keys();
    for (quint64 id : pending)
        failTest(id);
    const QList<quint64> keying = keying_.keys();
    for (quint64 id : keying)
        failKeying(id, QStringLiteral("le programme du poste s'est arrêté"));
    releasePtt();
    if (followed_.kind != RigLink::Kind::None)
        take(silent());
    if (hasWork()) {
        restart_.start(backoffMs_);
        backoffMs_ = std::min(backoffMs_ * 2, timing_.maxBackoffMs);
    }
}

void HelperRig::replace() {
    // A hang is a death: the helper is killed (even stopped, SIGKILL ends it) and its end
    // handled at once rather than when the signal of its end comes through.
    process_->kill();
    helperGone();
}

void HelperRig::watch() {
    if (!process_)
        return;
    // This thread held up (a long job of the window) has not read the helper's lines: the
    // silence is this thread's, not the helper's, which gets its time again.
    if (lastWatch_.isValid() && lastWatch_.elapsed() > 2 * timing_.pingMs) {
        lastLine_.restart();
        lastReading_.restart();
    }
    lastWatch_.restart();
    if (lastLine_.elapsed() > timing_.answerMs ||
        (followed_.kind != RigLink::Kind::None && lastReading_.elapsed() > timing_.followMs)) {
        replace();
        return;
    }
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
    send({rigproto::Request::Kind::Ping, nextId_++, {}});
}

void HelperRig::send(const rigproto::Request &request) {
    if (process_)
        process_->write(rigproto::encode(request));
}

void HelperRig::readOutput() {
    if (!process_)
        return;
    reader_.append(process_->readAllStandardOutput());
    lastLine_.restart();
    while (const auto line = reader_.next()) {
        if (const auto reply = rigproto::parseReply(*line))
            handle(*reply);
        if (!process_) // gone while a line was handled
            return;
    }
}

void HelperRig::handle(const rigproto::Reply &reply) {
    using Kind = rigproto::Reply::Kind;
    switch (reply.kind) {
    case Kind::Reading:
    case Kind::Silent:
        if (reply.id != followId_ || followed_.kind == RigLink::Kind::None)
            return;
        lastReading_.restart();
        if (reply.reading.answering())
            backoffMs_ = timing_.firstBackoffMs; // a helper that reads the radio is sound
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
            emit keyingDone(reply.id);
        else
            emit keyingFailed(
                reply.id, rigproto::keyingCause(reply.cause.value_or(rigproto::Cause::Unknown)));
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
