#include "platform/PosteRig.h"

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

PosteRig::PosteRig(QString program, RigTiming timing, QObject *parent)
    : RigControl(parent), program_(std::move(program)), timing_(timing),
      backoffMs_(timing.firstBackoffMs) {
    connect(&watch_, &QTimer::timeout, this, &PosteRig::watch);
    restart_.setSingleShot(true);
    restart_.setTimerType(Qt::PreciseTimer);
    connect(&restart_, &QTimer::timeout, this, [this] {
        if (hasWork())
            startHelper();
    });
}

PosteRig::~PosteRig() {
    tests_.clear(); // nobody is left to hear of them
    stop();
}

QString PosteRig::defaultProgram() {
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

qint64 PosteRig::helperPid() const {
    return process_ ? process_->processId() : 0;
}

bool PosteRig::hasWork() const {
    return followed_.kind != RigLink::Kind::None || modelsWanted_ || !tests_.isEmpty();
}

void PosteRig::follow(const RigLink &link) {
    followed_ = link;
    followId_ = nextId_++;
    lastReading_.restart();
    if (link.kind == RigLink::Kind::None) {
        if (process_)
            send({poste::Request::Kind::Follow, followId_, link});
        take(RigReading{});
        return;
    }
    if (process_)
        send({poste::Request::Kind::Follow, followId_, link});
    else
        ensureRunning(); // which sends the link followed
}

void PosteRig::test(const RigLink &link) {
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
        send({poste::Request::Kind::Test, id, link});
        return;
    }
    if (restart_.isActive()) {
        // The helper died a moment ago and waits for its restart: the test has failed.
        QMetaObject::invokeMethod(
            this, [this, id] { failTest(id); }, Qt::QueuedConnection);
        return;
    }
    startHelper();
    send({poste::Request::Kind::Test, id, link});
}

void PosteRig::listModels() {
    modelsWanted_ = true;
    modelsId_ = nextId_++;
    models_.clear();
    if (process_)
        send({poste::Request::Kind::Models, modelsId_, {}});
    else
        ensureRunning();
}

void PosteRig::stop() {
    followed_ = RigLink{};
    modelsWanted_ = false;
    restart_.stop();
    watch_.stop();
    if (process_) {
        QProcess *p = process_;
        process_ = nullptr;
        p->disconnect(this);
        // The helper ends on its own at the end of its input; killed as well, so that the
        // end of the program never waits on a library call.
        p->closeWriteChannel();
        p->kill();
        delete p;
    }
    const QList<quint64> pending = tests_.keys();
    for (quint64 id : pending)
        failTest(id);
}

void PosteRig::ensureRunning() {
    if (!process_ && !restart_.isActive())
        startHelper();
}

void PosteRig::startHelper() {
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments({QStringLiteral("--parent"),
                            QString::number(QCoreApplication::applicationPid()),
                            QStringLiteral("--poll"), QString::number(timing_.pollMs),
                            QStringLiteral("--timeout"), QString::number(timing_.timeoutMs),
                            QStringLiteral("--reconnect"), QString::number(timing_.reconnectMs)});
    // Hamlib's own messages go nowhere: a pipe nobody reads would fill and block the helper.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &PosteRig::readOutput);
    connect(process_, &QProcess::finished, this, &PosteRig::helperGone);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            helperGone();
    });
    reader_ = poste::LineReader();
    lastLine_.start();
    lastReading_.start();
    lastWatch_.invalidate();
    ++starts_;
    watch_.start(timing_.pingMs);
    process_->start();
    if (followed_.kind != RigLink::Kind::None)
        send({poste::Request::Kind::Follow, followId_, followed_});
    if (modelsWanted_) {
        models_.clear();
        send({poste::Request::Kind::Models, modelsId_, {}});
    }
    emit helperStarted();
}

void PosteRig::helperGone() {
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
    if (followed_.kind != RigLink::Kind::None)
        take(silent());
    if (hasWork()) {
        restart_.start(backoffMs_);
        backoffMs_ = std::min(backoffMs_ * 2, timing_.maxBackoffMs);
    }
}

void PosteRig::replace() {
    // A hang is a death: the helper is killed (even stopped, SIGKILL ends it) and its end
    // handled at once rather than when the signal of its end comes through.
    process_->kill();
    helperGone();
}

void PosteRig::watch() {
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
    send({poste::Request::Kind::Ping, nextId_++, {}});
}

void PosteRig::send(const poste::Request &request) {
    if (process_)
        process_->write(poste::encode(request));
}

void PosteRig::readOutput() {
    if (!process_)
        return;
    reader_.append(process_->readAllStandardOutput());
    lastLine_.restart();
    while (const auto line = reader_.next()) {
        if (const auto reply = poste::parseReply(*line))
            handle(*reply);
        if (!process_) // gone while a line was handled
            return;
    }
}

void PosteRig::handle(const poste::Reply &reply) {
    using Kind = poste::Reply::Kind;
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
        emit tested(reply.reading, reply.cause ? poste::frenchCause(*reply.cause) : QString());
        return;
    case Kind::Model:
        if (modelsWanted_ && reply.id == modelsId_ && models_.size() < poste::maxModels)
            models_.append(reply.model);
        return;
    case Kind::ModelsEnd:
        if (!modelsWanted_ || reply.id != modelsId_)
            return;
        modelsWanted_ = false;
        emit modelsListed(std::exchange(models_, {}));
        return;
    case Kind::Hello:
    case Kind::Pong:
    case Kind::Done:
    case Kind::Refused:
        return;
    }
}

void PosteRig::failTest(quint64 id) {
    if (tests_.remove(id) == 0)
        return;
    emit tested(silent(), poste::frenchCause(poste::Cause::Timeout));
}

void PosteRig::take(const RigReading &reading) {
    if (reading == last_)
        return;
    last_ = reading;
    emit readingChanged(reading);
}

} // namespace zep
