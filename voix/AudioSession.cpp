#include "AudioSession.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QDir>
#include <QMediaDevices>

#include <optional>

namespace zep::voiceproto {

namespace {

/// The sink holds this much sound ahead: a stop cuts the sound within it, and the end of a
/// message is heard this long after the sink took its last bytes.
constexpr int sinkBufferMs = 100;
/// A sink that has not ended its sound this long after the sound's length has failed.
constexpr int playMarginMs = 3000;
/// The sound taken by the server is heard this long after.
constexpr int outputDelayMs = 40;
constexpr int levelEveryMs = 100;
constexpr int feedEveryMs = 10;

std::optional<QAudioDevice> deviceNamed(const QList<QAudioDevice> &devices,
                                        const QAudioDevice &fallback, const QString &name) {
    if (name.isEmpty())
        return fallback.isNull() ? std::nullopt : std::optional(fallback);
    // The sound server's name of the device ("radio", "alsa_output.usb-…") or the name it
    // shows ("USB Audio CODEC").
    for (const QAudioDevice &d : devices)
        if (QString::fromUtf8(d.id()) == name || d.description() == name)
            return d;
    return std::nullopt;
}

QAudioFormat qtFormat(const wav::Format &f) {
    QAudioFormat q;
    q.setSampleRate(f.sampleRate);
    q.setChannelCount(f.channels);
    q.setSampleFormat(f.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return q;
}

QString named(const QString &device, const char *fallback) {
    return device.isEmpty() ? QString::fromUtf8(fallback) : QStringLiteral("\"%1\"").arg(device);
}

} // namespace

AudioSession::AudioSession(std::function<void(const Reply &)> reply, QObject *parent)
    : QObject(parent), reply_(std::move(reply)) {
    playEnd_.setSingleShot(true);
    playEnd_.setTimerType(Qt::PreciseTimer);
    connect(&playEnd_, &QTimer::timeout, this, &AudioSession::playbackEnded);
    playGuard_.setSingleShot(true);
    feed_.setTimerType(Qt::PreciseTimer);
    connect(&feed_, &QTimer::timeout, this, &AudioSession::feed);
    connect(&playGuard_, &QTimer::timeout, this, [this] {
        const quint64 id = playId_;
        dropPlayback();
        fail(id, QStringLiteral("la sortie audio ne joue pas le son"));
    });
    connect(&level_, &QTimer::timeout, this, [this] {
        const int peak = wav::peakPercent(QByteArrayView(recorded_).sliced(levelFrom_));
        levelFrom_ = recorded_.size();
        reply_({Reply::Kind::Level, recordId_, peak, {}});
    });
    recordGuard_.setSingleShot(true);
    connect(&recordGuard_, &QTimer::timeout, this, [this] { finishRecording(true); });
}

AudioSession::~AudioSession() {
    dropPlayback();
    if (source_)
        source_->stop();
}

void AudioSession::handle(const Request &request) {
    switch (request.kind) {
    case Request::Kind::Ping:
        reply_({Reply::Kind::Pong, request.id, 0, {}});
        return;
    case Request::Kind::Load:
        load(request);
        return;
    case Request::Kind::Start:
        start(request.id);
        return;
    case Request::Kind::Record:
        record(request);
        return;
    case Request::Kind::Stop:
        stop(request.id);
        return;
    }
}

void AudioSession::fail(quint64 id, const QString &cause) {
    // One line whatever the cause says, and no longer than a line holds.
    QString line = cause.simplified();
    while (line.toUtf8().size() > maxTextBytes)
        line.chop(1);
    reply_({Reply::Kind::Failed, id, 0, line});
}

void AudioSession::load(const Request &request) {
    dropPlayback(); // a new message replaces the one prepared
    wav::Parsed parsed = wav::readFile(request.path);
    if (!parsed.sound) {
        fail(request.id, parsed.refusal);
        return;
    }
    const auto device = deviceNamed(QMediaDevices::audioOutputs(),
                                    QMediaDevices::defaultAudioOutput(), request.device);
    if (!device) {
        fail(request.id, QStringLiteral("la sortie audio %1 est introuvable")
                             .arg(named(request.device, "par défaut")));
        return;
    }
    const QAudioFormat format = qtFormat(parsed.sound->format);
    if (!device->isFormatSupported(format)) {
        fail(request.id, QStringLiteral("la sortie audio %1 ne prend pas le son de ce fichier")
                             .arg(named(request.device, "par défaut")));
        return;
    }
    playId_ = request.id;
    durationMs_ = parsed.sound->durationMs();
    pcm_ = std::move(parsed.sound->pcm);
    sink_ = std::make_unique<QAudioSink>(*device, format);
    sink_->setBufferSize(format.bytesForDuration(sinkBufferMs * 1000));
    connect(sink_.get(), &QAudioSink::stateChanged, this, &AudioSession::playbackState);
    reply_({Reply::Kind::Ready, request.id, durationMs_, {}});
}

void AudioSession::start(quint64 id) {
    if (!sink_ || id != playId_ || playing_) {
        fail(id, QStringLiteral("aucun message n'est prêt"));
        return;
    }
    playing_ = true;
    heard_ = false;
    filled_ = false;
    written_ = 0;
    output_ = sink_->start();
    if (!output_) {
        dropPlayback();
        fail(id, QStringLiteral("la sortie audio ne s'ouvre pas"));
        return;
    }
    playGuard_.start(durationMs_ + playMarginMs);
    feed_.start(feedEveryMs);
    feed();
}

void AudioSession::feed() {
    if (!sink_ || !output_)
        return;
    // The sound server starts on the message once its first fill is in: from then on it
    // takes the sound as it plays it, and the sink has room again. A sound server may take a
    // moment to start (its first stream on an output): the sound is said to play only then.
    if (filled_ && !heard_ && sink_->bytesFree() > 0) {
        heard_ = true;
        reply_({Reply::Kind::Playing, playId_, 0, {}});
    }
    // The sink is given no more than it can hold: a stop then cuts at most its buffer.
    while (written_ < pcm_.size()) {
        const qsizetype room = qMin<qsizetype>(sink_->bytesFree(), pcm_.size() - written_);
        if (room <= 0)
            break;
        const qint64 n = output_->write(pcm_.constData() + written_, room);
        if (n <= 0)
            break;
        written_ += n;
    }
    if (!filled_ && (sink_->bytesFree() == 0 || written_ == pcm_.size()))
        filled_ = true;
    if (written_ < pcm_.size() || playEnd_.isActive())
        return;
    // All of it given: the sound is out once the server has played the message's length and
    // the output's own short delay has passed.
    if (heard_ && sink_->processedUSecs() >= qint64(durationMs_) * 1000 - 20'000) {
        feed_.stop();
        playEnd_.start(outputDelayMs);
    }
}

void AudioSession::playbackState() {
    if (!sink_ || !playing_)
        return;
    const QAudio::Error error = sink_->error();
    if (error == QAudio::IOError || error == QAudio::FatalError ||
        (sink_->state() == QAudio::StoppedState && error != QAudio::NoError)) {
        const quint64 id = playId_;
        dropPlayback();
        fail(id, QStringLiteral("la sortie audio a cessé de fonctionner"));
    }
}

void AudioSession::playbackEnded() {
    const quint64 id = playId_;
    dropPlayback();
    reply_({Reply::Kind::Ended, id, 0, {}});
}

void AudioSession::dropPlayback() {
    playEnd_.stop();
    playGuard_.stop();
    feed_.stop();
    playing_ = false;
    output_ = nullptr;
    if (sink_) {
        sink_->disconnect(this);
        // reset() drops what the sound server still holds: the sound stops at once.
        sink_->reset();
        sink_->stop();
        sink_.reset();
    }
    pcm_.clear();
}

void AudioSession::stop(quint64 id) {
    if (source_) {
        finishRecording(true);
        return;
    }
    dropPlayback();
    reply_({Reply::Kind::Stopped, id, 0, {}});
}

void AudioSession::record(const Request &request) {
    if (source_)
        finishRecording(false);
    const auto device = deviceNamed(QMediaDevices::audioInputs(),
                                    QMediaDevices::defaultAudioInput(), request.device);
    if (!device) {
        fail(request.id, QStringLiteral("l'entrée audio %1 est introuvable")
                             .arg(named(request.device, "par défaut")));
        return;
    }
    const QAudioFormat format = qtFormat(wav::recordingFormat);
    if (!device->isFormatSupported(format)) {
        fail(request.id, QStringLiteral("l'entrée audio %1 ne prend pas le son en 16 kHz mono")
                             .arg(named(request.device, "par défaut")));
        return;
    }
    recordId_ = request.id;
    recordPath_ = request.path;
    const int ms = qBound(1, request.ms, maxRecordMs);
    recordMax_ = format.bytesForDuration(qint64(ms) * 1000);
    recorded_.clear();
    recorded_.reserve(recordMax_);
    levelFrom_ = 0;
    source_ = std::make_unique<QAudioSource>(*device, format);
    connect(source_.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (source_ && state == QAudio::StoppedState && source_->error() != QAudio::NoError) {
            const quint64 id = recordId_;
            finishRecording(false);
            fail(id, QStringLiteral("l'entrée audio a cessé de fonctionner"));
        }
    });
    input_ = source_->start();
    if (!input_) {
        const quint64 id = recordId_;
        finishRecording(false);
        fail(id, QStringLiteral("l'entrée audio ne s'ouvre pas"));
        return;
    }
    connect(input_, &QIODevice::readyRead, this, &AudioSession::takeInput);
    level_.start(levelEveryMs);
    // A source that delivers less than asked still ends: the length is bounded in time too.
    recordGuard_.start(ms + 1000);
}

void AudioSession::takeInput() {
    if (!input_)
        return;
    const QByteArray bytes = input_->readAll();
    recorded_.append(
        QByteArrayView(bytes).first(qMin(bytes.size(), recordMax_ - recorded_.size())));
    if (recorded_.size() >= recordMax_)
        finishRecording(true);
}

void AudioSession::finishRecording(bool save) {
    if (!source_)
        return;
    level_.stop();
    recordGuard_.stop();
    if (input_) {
        input_->disconnect(this);
        if (save && recorded_.size() < recordMax_) {
            const QByteArray rest = input_->readAll();
            recorded_.append(
                QByteArrayView(rest).first(qMin(rest.size(), recordMax_ - recorded_.size())));
        }
    }
    source_->disconnect(this);
    source_->stop();
    source_.reset();
    input_ = nullptr;
    const quint64 id = recordId_;
    const QByteArray pcm = std::exchange(recorded_, {});
    if (!save)
        return;
    if (pcm.size() < wav::recordingFormat.bytesPerFrame()) {
        fail(id, QStringLiteral("aucun son n'est venu de l'entrée audio ; l'enregistrement "
                                "précédent est gardé"));
        return;
    }
    const IoResult written = wav::writeFile(recordPath_, wav::recordingFormat, pcm);
    if (!written) {
        fail(id, written.message);
        return;
    }
    const int ms = int(qint64(pcm.size()) * 1000 /
                       (wav::recordingFormat.sampleRate * wav::recordingFormat.bytesPerFrame()));
    reply_({Reply::Kind::Saved, id, ms, {}});
}

} // namespace zep::voiceproto
