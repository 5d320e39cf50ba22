#include "platform/HelperProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace zep {

namespace {
/// The longest wait for a killed helper to be reaped.
constexpr int killWaitMs = 200;
} // namespace

HelperProcess::HelperProcess(QString program, QStringList arguments, HelperWatch watch,
                             std::function<QByteArray()> ping, std::function<bool()> wanted,
                             QObject *parent)
    : QObject(parent), program_(std::move(program)), arguments_(std::move(arguments)),
      watch_(watch), ping_(std::move(ping)), wanted_(std::move(wanted)),
      backoffMs_(watch.firstBackoffMs) {
    connect(&watchTimer_, &QTimer::timeout, this, &HelperProcess::watch);
    restart_.setSingleShot(true);
    restart_.setTimerType(Qt::PreciseTimer);
    connect(&restart_, &QTimer::timeout, this, [this] {
        if (wanted_())
            start();
    });
}

HelperProcess::~HelperProcess() {
    stop();
}

QString HelperProcess::beside(const QString &name, const QString &buildDir) {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        dir + QLatin1Char('/') + name,
        dir + QStringLiteral("/../libexec/zep-rozadovev/") + name,
        dir + QStringLiteral("/../") + buildDir + QLatin1Char('/') + name,
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable())
            return QFileInfo(c).absoluteFilePath();
    return candidates[0];
}

qint64 HelperProcess::pid() const {
    return process_ ? process_->processId() : 0;
}

bool HelperProcess::start() {
    if (process_ || restart_.isActive())
        return process_ != nullptr;
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments(QStringList{QStringLiteral("--parent"),
                                       QString::number(QCoreApplication::applicationPid())} +
                           arguments_);
    // The libraries' own messages go nowhere: a pipe nobody reads would fill and block.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &HelperProcess::readOutput);
    connect(process_, &QProcess::finished, this, &HelperProcess::died);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            died();
    });
    reader_ = helperline::LineReader();
    lastLine_.start();
    lastWork_.start();
    lastWatch_.invalidate();
    ++starts_;
    watchTimer_.start(watch_.pingMs);
    process_->start();
    emit started();
    return process_ != nullptr;
}

void HelperProcess::write(const QByteArray &line) {
    if (process_)
        process_->write(line);
}

void HelperProcess::stop(int graceMs) {
    restart_.stop();
    watchTimer_.stop();
    if (!process_)
        return;
    QProcess *p = std::exchange(process_, nullptr);
    p->disconnect(this);
    // The helper ends on its own at the end of its input; killed as well, so that the end of
    // the program never waits on a library call.
    p->closeWriteChannel();
    if (graceMs > 0)
        p->waitForFinished(graceMs);
    p->kill();
    // Killed, it is gone at once (unless stuck in the kernel): reaped here, not in the
    // destructor, which would wait up to 30 s and warn.
    p->waitForFinished(killWaitMs);
    delete p;
}

void HelperProcess::replace() {
    if (!process_)
        return;
    // A hang is a death: the helper is killed (even stopped, SIGKILL ends it) and its end
    // handled at once rather than when the signal of its end comes through.
    process_->kill();
    died();
}

void HelperProcess::expectWork(bool expected) {
    if (expected && !workExpected_)
        lastWork_.restart();
    workExpected_ = expected;
}

void HelperProcess::workSeen() {
    lastWork_.restart();
}

void HelperProcess::proven() {
    backoffMs_ = watch_.firstBackoffMs;
}

void HelperProcess::died() {
    if (!process_)
        return;
    QProcess *ended = std::exchange(process_, nullptr);
    ended->disconnect(this);
    // Deleted once its end is known, never waited for here: a helper just killed may still be
    // on its way out.
    if (ended->state() == QProcess::NotRunning)
        ended->deleteLater();
    else
        connect(ended, &QProcess::finished, ended, &QObject::deleteLater);
    watchTimer_.stop();
    emit gone();
    // The owner has heard of the death first: what it still wants decides the restart.
    if (watch_.firstBackoffMs > 0 && !process_ && wanted_()) {
        restart_.start(backoffMs_);
        backoffMs_ = std::min(backoffMs_ * 2, watch_.maxBackoffMs);
    }
}

void HelperProcess::watch() {
    if (!process_)
        return;
    // This thread held up (a long job of the window) has not read the helper's lines: the
    // silence is this thread's, not the helper's, which gets its time again.
    if (lastWatch_.isValid() && lastWatch_.elapsed() > 2 * watch_.pingMs) {
        lastLine_.restart();
        lastWork_.restart();
    }
    lastWatch_.restart();
    if (lastLine_.elapsed() > watch_.answerMs ||
        (watch_.workMs > 0 && workExpected_ && lastWork_.elapsed() > watch_.workMs)) {
        replace();
        return;
    }
    emit watched();
    write(ping_());
}

void HelperProcess::readOutput() {
    if (!process_)
        return;
    QProcess *reading = process_;
    reader_.append(reading->readAllStandardOutput());
    lastLine_.restart();
    while (const auto next = reader_.next()) {
        emit line(*next);
        if (process_ != reading) // gone, or replaced, while a line was handled
            return;
    }
}

} // namespace zep
