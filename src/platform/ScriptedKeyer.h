#pragma once

#include "platform/Keyers.h"

#include <QStringList>

namespace zep {

/// Test double of a CW keyer: records what it was asked, on the caller's thread; the test
/// ends a message or makes it fail.
class ScriptedKeyer : public CwKeyer {
    Q_OBJECT
public:
    using CwKeyer::CwKeyer;

    void send(const QString &morse, int wpm) override {
        sent.append(morse);
        sentWpm.append(wpm);
        events.append(QStringLiteral("send ") + morse);
    }
    void setSpeed(int wpm) override {
        speeds.append(wpm);
        events.append(QStringLiteral("speed %1").arg(wpm));
    }
    void abort() override {
        ++aborts;
        events.append(QStringLiteral("abort"));
    }

    void endMessage() { emit finished(); }
    void fail(const QString &cause) { emit failed(cause); }

    QStringList sent;
    QList<int> sentWpm;
    QList<int> speeds;
    int aborts = 0;
    QStringList events;
};

/// Test double of the voice keyer.
class ScriptedVoiceKeyer : public VoiceKeyer {
    Q_OBJECT
public:
    using VoiceKeyer::VoiceKeyer;

    void play(int key) override { played.append(key); }
    void stop() override { ++stops; }
    void endMessage() { emit finished(); }
    void fail(const QString &cause) { emit failed(cause); }

    QList<int> played;
    int stops = 0;
};

/// Test double of the recording of the voice messages: records what it was asked; the test
/// gives the level, the end or a failure.
class ScriptedVoiceRecorder : public VoiceRecorder {
    Q_OBJECT
public:
    using VoiceRecorder::VoiceRecorder;

    void record(int key, const QString &input) override {
        events.append(QStringLiteral("record F%1 %2").arg(key).arg(input));
    }
    void listen(int key) override { events.append(QStringLiteral("listen F%1").arg(key)); }
    void stop() override { events.append(QStringLiteral("stop")); }

    void giveLevel(int percent) { emit level(percent); }
    void save(int ms) { emit saved(ms); }
    void endListening() { emit played(); }
    void fail(const QString &cause) { emit failed(cause); }

    QStringList events;
};

} // namespace zep
