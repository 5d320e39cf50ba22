#include "platform/VoiceHelper.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace zep {

namespace {
const QString helperName = QStringLiteral("zep-rozadovev-voix");
} // namespace

VoiceHelper::VoiceHelper(QString program, VoiceTiming timing, QObject *parent)
    : QObject(parent), program_(std::move(program)), timing_(timing) {
    connect(&watch_, &QTimer::timeout, this, &VoiceHelper::watch);
}

VoiceHelper::~VoiceHelper() {
    if (!process_)
        return;
    QProcess *p = std::exchange(process_, nullptr);
    p->disconnect(this);
    // The helper stops its sound and ends at the end of its input; killed as well, so that the
    // end of the program never waits on a sound server.
    p->closeWriteChannel();
    p->kill();
    delete p;
}

QString VoiceHelper::defaultProgram() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        dir + QLatin1Char('/') + helperName,
        dir + QStringLiteral("/../libexec/zep-rozadovev/") + helperName,
        dir + QStringLiteral("/../voix/") + helperName,
    };
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable())
            return QFileInfo(c).absoluteFilePath();
    return candidates[0];
}

qint64 VoiceHelper::helperPid() const {
    return process_ ? process_->processId() : 0;
}

bool VoiceHelper::send(const voiceproto::Request &request) {
    const std::optional<QByteArray> line = voiceproto::encode(request);
    if (!line)
        return false;
    if (!process_)
        start();
    process_->write(*line);
    return true;
}

void VoiceHelper::start() {
    process_ = new QProcess(this);
    process_->setProgram(program_);
    process_->setArguments(
        {QStringLiteral("--parent"), QString::number(QCoreApplication::applicationPid())});
    // The sound libraries' own messages go nowhere: a pipe nobody reads would fill and block.
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardOutput, this, &VoiceHelper::readOutput);
    connect(process_, &QProcess::finished, this, &VoiceHelper::died);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            died();
    });
    reader_ = voiceproto::LineReader();
    lastLine_.start();
    lastWatch_.invalidate();
    ++starts_;
    watch_.start(timing_.pingMs);
    process_->start();
}

void VoiceHelper::died() {
    if (!process_)
        return;
    QProcess *ended = std::exchange(process_, nullptr);
    ended->disconnect(this);
    // Deleted once its end is known, never waited for here.
    if (ended->state() == QProcess::NotRunning)
        ended->deleteLater();
    else
        connect(ended, &QProcess::finished, ended, &QObject::deleteLater);
    watch_.stop();
    emit gone();
}

void VoiceHelper::replace() {
    if (!process_)
        return;
    process_->kill();
    died();
}

void VoiceHelper::watch() {
    if (!process_)
        return;
    // This thread held up has not read the helper's lines: the silence is not the helper's.
    if (lastWatch_.isValid() && lastWatch_.elapsed() > 2 * timing_.pingMs)
        lastLine_.restart();
    lastWatch_.restart();
    if (lastLine_.elapsed() > timing_.answerMs) {
        replace();
        return;
    }
    send({voiceproto::Request::Kind::Ping, nextId(), {}, {}, 0});
}

void VoiceHelper::readOutput() {
    if (!process_)
        return;
    reader_.append(process_->readAllStandardOutput());
    lastLine_.restart();
    while (const auto line = reader_.next()) {
        if (const auto reply = voiceproto::parseReply(*line))
            emit replied(*reply);
        if (!process_)
            return;
    }
}

} // namespace zep
