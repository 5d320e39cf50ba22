#pragma once

#include "core/station/VoiceProtocol.h"
#include "core/station/WavFile.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSink;
class QAudioSource;
class QIODevice;

namespace zep::voiceproto {

/// The sound helper's work: one message played (loaded, then started) and one recording at a
/// time, each answered on the standard output as the protocol says. Everything runs on the
/// helper's one thread, in its event loop.
class AudioSession : public QObject {
    Q_OBJECT
public:
    /// `reply` writes one line to the program.
    explicit AudioSession(std::function<void(const Reply &)> reply, QObject *parent = nullptr);
    ~AudioSession() override;

    void handle(const Request &request);

private:
    void load(const Request &request);
    void start(quint64 id);
    void stop(quint64 id);
    void record(const Request &request);
    void feed();
    void playbackState();
    void playbackEnded();
    void dropPlayback();
    void takeInput();
    void finishRecording(bool save);
    void fail(quint64 id, const QString &cause);

    std::function<void(const Reply &)> reply_;

    // The message being played.
    quint64 playId_ = 0;
    bool playing_ = false;
    bool filled_ = false; ///< the sink had its first fill
    bool heard_ = false;  ///< the server has started on the sound
    int durationMs_ = 0;
    QByteArray pcm_;
    qsizetype written_ = 0;
    QIODevice *output_ = nullptr; ///< the sink's, while it plays
    std::unique_ptr<QAudioSink> sink_;
    QTimer feed_;      ///< gives the sink what it has room for
    QTimer playEnd_;   ///< the end of the sound, once the sink has taken all of it
    QTimer playGuard_; ///< a sink that never ends its sound has failed

    // The recording.
    quint64 recordId_ = 0;
    QString recordPath_;
    qsizetype recordMax_ = 0;
    QByteArray recorded_;
    qsizetype levelFrom_ = 0;
    std::unique_ptr<QAudioSource> source_;
    QIODevice *input_ = nullptr;
    QTimer level_;
    QTimer recordGuard_;
};

} // namespace zep::voiceproto
