// The voice messages for real: a private PulseAudio server whose null sink "radio" is read back
// through its monitor, a null source "micro" to record from, a rigctld whose PTT is read back
// with rigctl, and the two helper programs in between, killed or frozen in mid-message. The
// worst fault here is a transmitter left keyed.

#include "core/io/Settings.h"
#include "core/station/KeyerSettings.h"
#include "core/station/WavFile.h"
#include "platform/HelperRig.h"
#include "platform/HelperVoiceKeyer.h"
#include "support/PulseServer.h"
#include "support/Rigctld.h"
#include "support/TryWait.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <unistd.h>

using namespace zep;
using zep::testing::PulseServer;
using zep::testing::Rigctld;
using zep::testing::SinkMonitor;

namespace {

/// Makes a folder take no new file and no rename, even from root (the immutable flag of the
/// disk file systems); false where the file system has no such flag.
bool setImmutable(const QString &folder, bool on) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

namespace {

const QString voixProgram = QStringLiteral(ZEP_VOIX_PROGRAM);
const QString posteProgram = QStringLiteral(ZEP_POSTE_PROGRAM);

/// A 440 Hz tone of `ms` at 16 kHz mono, loud enough to be told from silence.
QByteArray tone(int ms) {
    QByteArray pcm;
    const int samples = 16 * ms;
    pcm.resize(samples * 2);
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(12000 * std::sin(2 * M_PI * 440 * i / 16000.0)),
                                pcm.data() + 2 * i);
    return pcm;
}

/// The server, the program directory with its recordings, and the settings of the messages.
class VoiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PulseServer::available())
            GTEST_SKIP() << "pulseaudio and pulseaudio-utils are not installed";
        const QString refused = pulse.start();
        if (!refused.isEmpty())
            GTEST_SKIP() << "pulseaudio cannot start here: " << refused.toStdString();
        ASSERT_TRUE(dir.isValid());
        settings.write(keys::voixSortie, QStringLiteral("radio"));
        settings.write(keys::voixPtt, QStringLiteral("0"));
    }
    void record(int key, int ms) {
        ASSERT_TRUE(
            wav::writeFile(keyer::recordingPath(dir.path(), key), wav::recordingFormat, tone(ms)));
    }
    static VoiceTiming quick() {
        VoiceTiming t;
        t.pingMs = 200;
        t.answerMs = 1000;
        return t;
    }
    PulseServer pulse;
    QTemporaryDir dir;
    MemorySettingsStore settings;
};

struct KeyedRadio {
    bool start() {
        if (!daemon.start({QStringLiteral("-P"), QStringLiteral("RIG")}))
            return false;
        RigLink link;
        link.kind = RigLink::Kind::Rigctld;
        link.port = daemon.port();
        rig = std::make_unique<HelperRig>(posteProgram, timing());
        rig->follow(link);
        QTest::qWait(400);
        return true;
    }
    static RigTiming timing() {
        RigTiming t;
        t.pollMs = 100;
        t.firstBackoffMs = 100;
        return t;
    }
    QString ptt() const { return daemon.rigctlOutput({QStringLiteral("t")}); }
    Rigctld daemon;
    std::unique_ptr<HelperRig> rig;
};

} // namespace

TEST_F(VoiceFixture, TheMessageIsHeardOnTheChosenOutputUntilItsEndOrEscape) {
    record(1, 1200);
    SinkMonitor monitor(QStringLiteral("radio"));
    ASSERT_TRUE(monitor.started());
    HelperVoiceKeyer voice(dir.path(), settings, nullptr, voixProgram, quick());
    QSignalSpy playing(&voice, &HelperVoiceKeyer::playing);
    QSignalSpy finished(&voice, &VoiceKeyer::finished);
    QSignalSpy failed(&voice, &VoiceKeyer::failed);
    QSignalSpy silenced(&voice, &HelperVoiceKeyer::silenced);

    // To its end: heard while it plays, then the end is told.
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 1, 5000);
    const qint64 started = monitor.now();
    ZEP_TRY_VERIFY(monitor.peakSince(started) > 5000, 1500);
    ZEP_TRY_COMPARE(finished.size(), 1, 4000);
    const qint64 ended = monitor.now();
    EXPECT_GE(ended - started, 1100);
    QTest::qWait(300);
    // The end is told once the sound is out, and not long after it.
    const qint64 lastSound = monitor.lastSound();
    EXPECT_LE(lastSound, ended + 30);
    EXPECT_GE(lastSound, ended - 250);
    EXPECT_EQ(monitor.peakSince(ended + 100), 0);

    // Escape: silence at once, and no end told.
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 2, 5000);
    QTest::qWait(400);
    ASSERT_GT(monitor.peakSince(monitor.now() - 200), 5000);
    voice.stop();
    const qint64 stopped = monitor.now();
    ZEP_TRY_COMPARE(silenced.size(), 1, 1000);
    QTest::qWait(500);
    EXPECT_EQ(monitor.peakSince(stopped + 100), 0);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(failed.size(), 0);
}

TEST_F(VoiceFixture, AMessageThatCannotBePlayedIsOneFrenchLineAndNothingIsSent) {
    record(1, 300);
    const QString messages = dir.filePath(QStringLiteral("Messages"));
    {
        QFile f(messages + QStringLiteral("/F3.wav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wav::encode({16000, 1, 16}, tone(300)).replace(34, 1, "\x18")); // 24-bit
    }
    SinkMonitor monitor(QStringLiteral("radio"));
    ASSERT_TRUE(monitor.started());
    HelperVoiceKeyer voice(dir.path(), settings, nullptr, voixProgram, quick());
    QSignalSpy failed(&voice, &VoiceKeyer::failed);
    QSignalSpy finished(&voice, &VoiceKeyer::finished);
    struct Case {
        int key;
        QString output;
        const char *said;
    };
    const Case cases[] = {
        {1, QStringLiteral("no such card"), "la sortie audio \"no such card\" est introuvable"},
        {2, QStringLiteral("radio"), "introuvable ou illisible"},
        {3, QStringLiteral("radio"), "24 bits par échantillon"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.said);
        settings.write(keys::voixSortie, c.output);
        const int before = int(failed.size());
        voice.play(c.key);
        ZEP_TRY_COMPARE(int(failed.size()), before + 1, 5000);
        const QString line = failed.last().at(0).toString();
        EXPECT_TRUE(line.startsWith(QStringLiteral("Messages vocaux, F%1 : ").arg(c.key)))
            << line.toStdString();
        EXPECT_TRUE(line.contains(QString::fromUtf8(c.said))) << line.toStdString();
        EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    }

    // The PTT on the CAT link and no radio followed: no sound goes out unkeyed.
    settings.write(keys::voixSortie, QStringLiteral("radio"));
    settings.write(keys::voixPtt, QStringLiteral("1"));
    HelperRig idleRig(posteProgram);
    HelperVoiceKeyer keyed(dir.path(), settings, &idleRig, voixProgram, quick());
    QSignalSpy keyedFailed(&keyed, &VoiceKeyer::failed);
    keyed.play(1);
    ZEP_TRY_COMPARE(keyedFailed.size(), 1, 5000);
    EXPECT_TRUE(keyedFailed.at(0).at(0).toString().contains(QStringLiteral("PTT")));
    EXPECT_TRUE(keyedFailed.at(0).at(0).toString().contains(QStringLiteral("aucune liaison")));
    QTest::qWait(500);

    EXPECT_EQ(finished.size(), 0);
    EXPECT_EQ(monitor.lastSound(), -1);
}

TEST_F(VoiceFixture, ThePttGoesOnBeforeTheMessageAndOffAtItsEndOnEscapeAndWhenTheHelperDies) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    settings.write(keys::voixPtt, QStringLiteral("1"));
    record(1, 1500);
    SinkMonitor monitor(QStringLiteral("radio"));
    ASSERT_TRUE(monitor.started());
    HelperVoiceKeyer voice(dir.path(), settings, radio.rig.get(), voixProgram, quick());
    QSignalSpy playing(&voice, &HelperVoiceKeyer::playing);
    QSignalSpy finished(&voice, &VoiceKeyer::finished);
    QSignalSpy failed(&voice, &VoiceKeyer::failed);
    QSignalSpy done(radio.rig.get(), &HelperRig::keyingDone);

    // Keyed before the first sound, released once it has played.
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 1, 5000);
    EXPECT_EQ(done.size(), 1); // the PTT was taken before the sound was started
    EXPECT_EQ(radio.ptt(), QStringLiteral("1"));
    ZEP_TRY_VERIFY(monitor.lastSound() >= 0, 1000);
    ZEP_TRY_COMPARE(finished.size(), 1, 4000);
    EXPECT_FALSE(radio.rig->pttOn());
    // The release reaches the radio within 100 ms of the end (measured here with the radio's
    // answer, on a shared machine: a release that waits for a poll would take 500 ms).
    QElapsedTimer offTime;
    offTime.start();
    ZEP_TRY_COMPARE(done.size(), 2, 1000);
    EXPECT_LT(offTime.elapsed(), 200);
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));

    // Escape in mid-message.
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 2, 5000);
    QTest::qWait(300);
    EXPECT_EQ(radio.ptt(), QStringLiteral("1"));
    offTime.restart();
    voice.stop();
    ZEP_TRY_COMPARE(done.size(), 4, 1000);
    EXPECT_LT(offTime.elapsed(), 200);
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));

    // The sound helper killed in mid-message: the PTT is released and the failure told.
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 3, 5000);
    ASSERT_EQ(radio.ptt(), QStringLiteral("1"));
    ASSERT_EQ(::kill(pid_t(voice.helper().helperPid()), SIGKILL), 0);
    ZEP_TRY_COMPARE(failed.size(), 1, 2000);
    EXPECT_TRUE(failed.last().at(0).toString().contains(QStringLiteral("s'est arrêté")));
    ZEP_TRY_COMPARE(radio.ptt(), QStringLiteral("0"), 1000);

    // Started again at the next message.
    voice.play(1);
    ZEP_TRY_COMPARE(finished.size(), 2, 6000);
    EXPECT_EQ(voice.helper().starts(), 2);
    ZEP_TRY_COMPARE(radio.ptt(), QStringLiteral("0"), 1000);
}

TEST_F(VoiceFixture, AFrozenSoundHelperNeverKeepsThePttBeyondTheMessageAndTwoSeconds) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    settings.write(keys::voixPtt, QStringLiteral("1"));
    record(1, 800);
    // A watch slower than the PTT's own watchdog: the watchdog is what releases the PTT.
    VoiceTiming slow;
    slow.answerMs = 8000;
    slow.marginMs = 8000;
    HelperVoiceKeyer voice(dir.path(), settings, radio.rig.get(), voixProgram, slow);
    QSignalSpy playing(&voice, &HelperVoiceKeyer::playing);
    QSignalSpy failed(&voice, &VoiceKeyer::failed);
    QSignalSpy released(radio.rig.get(), &HelperRig::pttReleased);
    QElapsedTimer keyed;
    QObject::connect(radio.rig.get(), &HelperRig::keyingDone, [&] {
        if (!keyed.isValid())
            keyed.start();
    });
    voice.play(1);
    ZEP_TRY_COMPARE(playing.size(), 1, 5000);
    const pid_t pid = pid_t(voice.helper().helperPid());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    ZEP_TRY_COMPARE(released.size(), 1, 4000);
    const qint64 held = keyed.elapsed();
    EXPECT_GE(held, 2700);
    EXPECT_LE(held, 800 + 2000 + 300);
    ZEP_TRY_COMPARE(failed.size(), 1, 1000);
    EXPECT_TRUE(failed.last().at(0).toString().contains(QStringLiteral("PTT")));
    ZEP_TRY_COMPARE(radio.ptt(), QStringLiteral("0"), 1000);
    ::kill(pid, SIGCONT);
}

TEST_F(VoiceFixture, TheProgramClosingInMidMessageReleasesThePtt) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    settings.write(keys::voixPtt, QStringLiteral("1"));
    record(1, 3000);
    {
        auto voice = std::make_unique<HelperVoiceKeyer>(dir.path(), settings, radio.rig.get(),
                                                        voixProgram, quick());
        QSignalSpy playing(voice.get(), &HelperVoiceKeyer::playing);
        voice->play(1);
        ZEP_TRY_COMPARE(playing.size(), 1, 5000);
        ASSERT_EQ(radio.ptt(), QStringLiteral("1"));
        // As at the end of main(): the keyer goes, then the radio.
        voice.reset();
        radio.rig.reset();
    }
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));
}

TEST_F(VoiceFixture, ARecordingFromTheInputIsAWavFileOfItsLength) {
    VoiceTiming t = quick();
    t.recordMs = 1500;
    HelperVoiceRecorder recorder(dir.path(), voixProgram, t);
    QSignalSpy saved(&recorder, &VoiceRecorder::saved);
    QSignalSpy levels(&recorder, &VoiceRecorder::level);
    QSignalSpy failed(&recorder, &VoiceRecorder::failed);
    QSignalSpy played(&recorder, &VoiceRecorder::played);
    const QString f1 = keyer::recordingPath(dir.path(), 1);

    // Stopped by itself at its longest; the folder of the messages made on the way.
    recorder.record(1, QStringLiteral("micro"));
    ZEP_TRY_COMPARE(saved.size(), 1, 5000);
    EXPECT_EQ(failed.size(), 0);
    EXPECT_EQ(saved.at(0).at(0).toInt(), 1500);
    wav::Parsed read = wav::readFile(f1);
    ASSERT_TRUE(read.sound.has_value()) << read.refusal.toStdString();
    EXPECT_EQ(read.sound->format, wav::recordingFormat);
    EXPECT_EQ(read.sound->durationMs(), 1500);
    EXPECT_EQ(wav::peakPercent(read.sound->pcm), 0); // the null source is silent

    // Stopped by the operator after about 0.7 s.
    recorder.record(2, QString()); // the default input
    QTest::qWait(700);
    recorder.stop();
    ZEP_TRY_COMPARE(saved.size(), 2, 3000);
    read = wav::readFile(keyer::recordingPath(dir.path(), 2));
    ASSERT_TRUE(read.sound.has_value());
    EXPECT_NEAR(read.sound->durationMs(), 700, 250);
    // The level is told every tenth of a second while it records.
    EXPECT_GE(levels.size(), 4);
    for (const QList<QVariant> &l : levels)
        EXPECT_EQ(l.at(0).toInt(), 0); // the null source is silent

    // Listened to: played to the default output, its end told.
    SinkMonitor monitor(QStringLiteral("radio"));
    ASSERT_TRUE(monitor.started());
    ASSERT_TRUE(wav::writeFile(f1, wav::recordingFormat, tone(500)));
    recorder.listen(1);
    ZEP_TRY_COMPARE(played.size(), 1, 4000);
    EXPECT_GT(monitor.peakSince(0), 5000);

    // A file that cannot be written: one French message, the old recording stays.
    const QByteArray old = wav::encode(wav::recordingFormat, tone(500));
    // The recording is saved by the sound helper, another process: its folder is made to take
    // no new file, as a full or read-only medium would.
    const QString messages = QDir(dir.path()).filePath(QStringLiteral("Messages"));
    if (!setImmutable(messages, true))
        GTEST_SKIP() << "le système de fichiers de " << messages.toStdString()
                     << " ne peut pas refuser les nouveaux fichiers";
    recorder.record(1, QStringLiteral("micro"));
    QTest::qWait(300);
    recorder.stop();
    (void)QTest::qWaitFor([&failed] { return !failed.isEmpty(); },
                          3000); // counted below, the folder back
    ASSERT_TRUE(setImmutable(messages, false));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed.at(0).at(0).toString().startsWith(QStringLiteral("Impossible")))
        << failed.at(0).at(0).toString().toStdString();
    QFile kept(f1);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), old);

    // An input that does not exist.
    recorder.record(3, QStringLiteral("no such microphone"));
    ZEP_TRY_COMPARE(failed.size(), 2, 3000);
    EXPECT_TRUE(failed.at(1).at(0).toString().contains(QStringLiteral("introuvable")));
    EXPECT_FALSE(QFileInfo::exists(keyer::recordingPath(dir.path(), 3)));
}
