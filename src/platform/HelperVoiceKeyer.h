#pragma once

#include "core/io/Settings.h"
#include "platform/Keyers.h"
#include "platform/VoiceHelper.h"

#include <QPointer>
#include <QTimer>

namespace zep {

class HelperRig;

/// The voice keyer of the program: F1 to F7 in phone play "Messages/Fn.wav" to the output
/// named by "Voix Sortie" through the sound helper, and with "Voix PTT" on the CAT link key the
/// radio through `rig` around it. The PTT goes on only once the message is read and its output
/// open, playback starts once the radio has taken the PTT, and the PTT is released at the end,
/// on stop(), on any failure (output gone, file refused, either helper dead) and when this
/// object goes; HelperRig's watchdog releases it anyway 2 s after the message's length.
class HelperVoiceKeyer : public VoiceKeyer {
    Q_OBJECT
public:
    HelperVoiceKeyer(QString programDir, const SettingsStore &settings, HelperRig *rig,
                     QString program = VoiceHelper::defaultProgram(), VoiceTiming timing = {},
                     QObject *parent = nullptr);
    ~HelperVoiceKeyer() override;

    void play(int key) override;
    void stop() override;

    /// The sound helper, for the tests that kill it.
    VoiceHelper &helper() { return helper_; }

signals:
    /// The helper reports the sound is playing / was cut (for measures).
    void playing();
    void silenced();

private:
    enum class Phase { Idle, Loading, Keying, Playing };
    void replied(const voiceproto::Reply &reply);
    void startPlaying();
    void release();
    void fail(const QString &cause);

    QString programDir_;
    const SettingsStore &settings_;
    QPointer<HelperRig> rig_;
    VoiceHelper helper_;
    QTimer guard_;
    Phase phase_ = Phase::Idle;
    int key_ = 0;
    quint64 playId_ = 0;
    quint64 pttId_ = 0;
    bool withPtt_ = false;
    bool keyed_ = false;
    int lengthMs_ = 0;
};

/// The recording of the messages through its own sound helper: "Messages/Fn.wav" in the
/// program directory, written by the helper through the crash-safe path.
class HelperVoiceRecorder : public VoiceRecorder {
    Q_OBJECT
public:
    explicit HelperVoiceRecorder(QString programDir,
                                 QString program = VoiceHelper::defaultProgram(),
                                 VoiceTiming timing = {}, QObject *parent = nullptr);

    void record(int key, const QString &input) override;
    void listen(int key) override;
    void stop() override;

private:
    enum class Phase { Idle, Recording, Saving, Loading, Listening };
    void replied(const voiceproto::Reply &reply);
    void fail(const QString &cause);

    QString programDir_;
    VoiceHelper helper_;
    QTimer guard_;
    Phase phase_ = Phase::Idle;
    quint64 id_ = 0;
};

} // namespace zep
