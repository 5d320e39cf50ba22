// The messages keys of the entry window with the program's own cwdaemon keyer:
// - the GUI thread's worst event-loop delay while messages are sent to a real cwdaemon (F1,
//   F2, the speed keys, Escape and typing, for 10 s by default, ZEP_KEYER_BENCH_SECONDS to
//   change it);
// - the time from Escape to the abort datagram on the wire, read by a UDP peer on a thread of
//   its own that stamps each datagram as it arrives (60 messages stopped).
// - with the voice messages (SSB), through the sound helper and a private PulseAudio server,
//   the PTT through the radio helper and a real rigctld: the GUI thread's worst delay while
//   messages play, and the time from Escape to the PTT released (rigctld's answer) and to the
//   sound stopped (as the sound helper reports it).
// The probe is a 1 ms precise timer of the GUI thread: its worst lateness is the longest the
// window could not react to a key.

#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/log/CurrentActivation.h"
#include "core/station/KeyerSettings.h"
#include "core/station/WavFile.h"
#include "entry/EntryKeyer.h"
#include "entry/Saisie_QSO.h"
#include "entry/WindowServices.h"
#include "platform/DeviceKeyers.h"
#include "platform/FileChooser.h"
#include "platform/PosteRig.h"
#include "platform/RecordingPrinter.h"
#include "platform/VoixKeyer.h"
#include "support/PulseServer.h"
#include "support/Rigctld.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <benchmark/benchmark.h>

#include <QtEndian>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zep;
using steady = std::chrono::steady_clock;

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "banc d'essai interrompu : %s\n", what);
    std::abort();
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::LocalHost, 0))
        fail("aucun port libre");
    return probe.localPort();
}

/// The entry window on a temporary directory, in CW, with the messages keys and the program's
/// own keyers, cwdaemon on `port`.
struct Window {
    explicit Window(quint16 port, VoiceKeyer *voice = nullptr) {
        setup.activation.activator = QStringLiteral("F4ABC/P");
        setup.activation.reference = QStringLiteral("DFCF 76054");
        settings.write(keys::modeActivite, QStringLiteral("1"));
        settings.write(keys::manipulateurSortie, QStringLiteral("2"));
        settings.write(keys::manipulateurPort, QString::number(port));
        settings.write(keys::manipulateurVitesse, QStringLiteral("30"));
        entry = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
        keyer = connectKeyer(*entry, services, &makeDeviceKeyer, voice);
        entry->show();
        entry->Indi_Q->setFocus();
    }
    void key(Qt::Key k) { QTest::keyClick(entry->Indi_Q, k); }

    QTemporaryDir dir;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    SystemClock clock;
    FixedActivationSource setup;
    RecordingPrintService printing;
    ScriptedFileChooser files;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    std::unique_ptr<Saisie_QSO> entry;
    EntryKeyer *keyer = nullptr;
};

void runLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Runs the event loop for `ms` (with `keys` pressing keys, if given) and returns the worst
/// lateness of a 1 ms timer.
double worstDelayMs(int ms, QTimer *keys) {
    QElapsedTimer clock;
    clock.start();
    qint64 previous = clock.nsecsElapsed(), worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - previous - 1'000'000);
        previous = now;
    });
    probe.start();
    if (keys)
        keys->start(150);
    runLoop(ms);
    if (keys)
        keys->stop();
    return double(worst) / 1e6;
}

void BM_GuiDelayWhileSending(benchmark::State &state) {
    const int seconds = qEnvironmentVariableIntValue("ZEP_KEYER_BENCH_SECONDS");
    const int ms = (seconds > 0 ? seconds : 10) * 1000;
    const quint16 port = freeUdpPort();
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("cwdaemon.log"));
    QProcess daemon;
    daemon.start(
        QStringLiteral("/usr/sbin/cwdaemon"),
        {"-n", "-d", "null", "-x", "n", "-p", QString::number(port), "-y", "i", "-f", log});
    if (!daemon.waitForStarted(5000))
        fail("cwdaemon ne démarre pas (paquet cwdaemon)");
    QTest::qWait(500);
    Window w(port);
    // The operator's keys, one every 150 ms: messages, speed, Escape, and a call typed.
    const Qt::Key keys[] = {Qt::Key_F1, Qt::Key_PageUp,   Qt::Key_F,         Qt::Key_5,
                            Qt::Key_F2, Qt::Key_PageDown, Qt::Key_Escape,    Qt::Key_F3,
                            Qt::Key_F4, Qt::Key_Escape,   Qt::Key_Backspace, Qt::Key_Backspace};
    int pressed = 0;
    qint64 worstKey = 0;
    QTimer operatorKeys;
    QObject::connect(&operatorKeys, &QTimer::timeout, [&] {
        QElapsedTimer k;
        k.start();
        w.key(keys[pressed++ % int(std::size(keys))]);
        worstKey = std::max(worstKey, k.nsecsElapsed());
    });
    // The same probe with no key pressed: what the machine itself costs the loop.
    state.counters["idle_worst_delay_ms"] = worstDelayMs(ms, nullptr);
    for (auto _ : state) {
        state.counters["worst_delay_ms"] = worstDelayMs(ms, &operatorKeys);
        state.counters["worst_key_ms"] = double(worstKey) / 1e6;
    }
    QFile f(log);
    const QByteArray said = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    state.counters["keys"] = pressed;
    state.counters["texts_received"] = double(said.count("II: request: \""));
    state.counters["aborts_received"] = double(said.count("<ESC>4"));
    if (!w.dialogs.shown().empty())
        fail("une boîte de message est venue du manipulateur");
    if (said.count("II: request: \"") < 3)
        fail("cwdaemon n'a pas reçu les messages");
    daemon.kill();
    daemon.waitForFinished(3000);
}

/// A UDP peer on cwdaemon's port that stamps each abort datagram as it arrives.
struct AbortStamps {
    AbortStamps() {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            fail("pas de pair UDP");
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
        port = ntohs(a.sin_port);
        reader = std::thread([this] {
            while (!stop) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 50) <= 0)
                    continue;
                char buffer[512];
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                const auto now = steady::now();
                if (n == 2 && buffer[0] == '\x1b' && buffer[1] == '4') {
                    std::lock_guard lock(mutex);
                    stamps.push_back(now);
                }
            }
        });
    }
    ~AbortStamps() {
        stop = true;
        reader.join();
        ::close(fd);
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return stamps.size();
    }
    steady::time_point last() {
        std::lock_guard lock(mutex);
        return stamps.back();
    }

    int fd = -1;
    quint16 port = 0;
    std::thread reader;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<steady::time_point> stamps;
};

void BM_EscapeToAbortOnTheWire(benchmark::State &state) {
    AbortStamps peer;
    Window w(peer.port);
    std::vector<double> delays;
    for (auto _ : state) {
        for (int i = 0; i < 60; ++i) {
            w.key(Qt::Key_F1);
            runLoop(40); // the message on its way
            const size_t before = peer.count();
            const auto pressed = steady::now();
            w.key(Qt::Key_Escape);
            QElapsedTimer waited;
            waited.start();
            while (peer.count() == before && waited.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (peer.count() == before)
                fail("l'abandon n'est pas parti");
            delays.push_back(
                std::chrono::duration<double, std::milli>(peer.last() - pressed).count());
        }
    }
    std::sort(delays.begin(), delays.end());
    state.counters["escape_to_abort_median_ms"] = delays[delays.size() / 2];
    state.counters["escape_to_abort_worst_ms"] = delays.back();
}

/// The voice side: a PulseAudio server of its own with a null sink "radio", a rigctld keyed
/// through the radio helper, F1 to F4 recorded (1.5 s of tone each), the PTT on the CAT link.
struct VoiceBench {
    VoiceBench() {
        const QString refused = pulse.start();
        if (!refused.isEmpty())
            fail("pulseaudio ne démarre pas");
        if (!radio.start({QStringLiteral("-P"), QStringLiteral("RIG")}))
            fail("rigctld ne démarre pas (paquet libhamlib-utils)");
        RigTiming timing;
        timing.pollMs = 200;
        rig = std::make_unique<PosteRig>(QStringLiteral(ZEP_POSTE_PROGRAM), timing);
        RigLink link;
        link.kind = RigLink::Kind::Rigctld;
        link.port = radio.port();
        rig->follow(link);
        QByteArray pcm(16 * 1500 * 2, '\0');
        for (int i = 0; i < 16 * 1500; ++i)
            qToLittleEndian<qint16>(qint16(10000 * std::sin(i * 0.17)), pcm.data() + 2 * i);
        for (int key = 1; key <= 4; ++key)
            if (!wav::writeFile(keyer::recordingPath(dir.path(), key), wav::recordingFormat, pcm))
                fail("les messages vocaux ne s'écrivent pas");
        settings.write(keys::voixSortie, QStringLiteral("radio"));
        settings.write(keys::voixPtt, QStringLiteral("1"));
        voice = std::make_unique<VoixKeyer>(dir.path(), settings, rig.get(),
                                            QStringLiteral(ZEP_VOIX_PROGRAM));
        runLoop(500);
    }
    zep::testing::PulseServer pulse;
    zep::testing::Rigctld radio;
    QTemporaryDir dir;
    MemorySettingsStore settings;
    std::unique_ptr<PosteRig> rig;
    std::unique_ptr<VoixKeyer> voice;
};

void BM_GuiDelayWhileVoicePlays(benchmark::State &state) {
    const int seconds = qEnvironmentVariableIntValue("ZEP_KEYER_BENCH_SECONDS");
    const int ms = (seconds > 0 ? seconds : 10) * 1000;
    VoiceBench bench;
    Window w(0, bench.voice.get());
    w.entry->Mode_Q->setCurrentIndex(w.entry->Mode_Q->findText(QStringLiteral("SSB")));
    int played = 0, failed = 0;
    QObject::connect(bench.voice.get(), &VoixKeyer::playing, [&] { ++played; });
    QObject::connect(bench.voice.get(), &VoiceKeyer::failed, [&](const QString &cause) {
        ++failed;
        std::fprintf(stderr, "%s\n", cause.toUtf8().constData());
    });
    // The operator's keys, one every 150 ms: messages, a call typed, Escape.
    const Qt::Key keys[] = {
        Qt::Key_F1,        Qt::Key_F,         Qt::Key_5,         Qt::Key_A,
        Qt::Key_B,         Qt::Key_C,         Qt::Key_Escape,    Qt::Key_F2,
        Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace,
        Qt::Key_Backspace, Qt::Key_F3,        Qt::Key_Space,     Qt::Key_Space,
        Qt::Key_Space,     Qt::Key_Space,     Qt::Key_Space,     Qt::Key_Space,
        Qt::Key_Space,     Qt::Key_Space,     Qt::Key_Space,     Qt::Key_Space,
        Qt::Key_Space,     Qt::Key_Space};
    int pressed = 0;
    qint64 worstKey = 0, firstKey = 0;
    QTimer operatorKeys;
    QObject::connect(&operatorKeys, &QTimer::timeout, [&] {
        QElapsedTimer k;
        k.start();
        w.key(keys[pressed++ % int(std::size(keys))]);
        // The first F1 starts the sound helper: told apart from the keys after it.
        (pressed == 1 ? firstKey : worstKey) =
            std::max(pressed == 1 ? firstKey : worstKey, k.nsecsElapsed());
    });
    // The same probe with no key pressed: what the machine itself costs the loop.
    state.counters["idle_worst_delay_ms"] = worstDelayMs(2000, nullptr);
    for (auto _ : state)
        state.counters["worst_delay_ms"] = worstDelayMs(ms, &operatorKeys);
    state.counters["first_key_ms"] = double(firstKey) / 1e6;
    state.counters["worst_key_ms"] = double(worstKey) / 1e6;
    w.keyer->stop();
    runLoop(300);
    state.counters["messages_played"] = played;
    state.counters["failures"] = failed;
    if (played < 2)
        fail("les messages vocaux n'ont pas été joués");
    if (bench.radio.rigctlOutput({QStringLiteral("t")}) != QLatin1String("0"))
        fail("le PTT est resté enclenché");
}

/// rigctld's PTT, read ("t") on a TCP connection of its own from a thread of its own.
struct PttWatch {
    explicit PttWatch(quint16 port) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            fail("rigctld ne répond pas");
    }
    ~PttWatch() { ::close(fd); }
    /// One reading: '0', '1', or 0 when rigctld did not answer.
    char read() {
        if (::write(fd, "t\n", 2) != 2)
            return 0;
        char line[64];
        size_t got = 0;
        while (got < sizeof line) {
            const ssize_t n = ::recv(fd, line + got, sizeof line - got, 0);
            if (n <= 0)
                return 0;
            got += size_t(n);
            if (line[got - 1] == '\n')
                return line[0];
        }
        return 0;
    }
    bool keyed() { return read() == '1'; }
    /// Starts reading on the watch's thread until the PTT is off.
    void arm() {
        seen = false;
        worker = std::thread([this] {
            const auto until = steady::now() + std::chrono::seconds(3);
            while (steady::now() < until)
                if (read() == '0') {
                    offAt = steady::now();
                    seen = true;
                    return;
                }
        });
    }
    /// The moment the PTT was read off, running the GUI thread's events meanwhile.
    std::optional<steady::time_point> waitOff(int ms) {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < ms && !done())
            runLoop(1);
        worker.join();
        return seen ? std::optional(offAt) : std::nullopt;
    }
    bool done() const { return seen; }
    int fd = -1;
    std::thread worker;
    steady::time_point offAt; ///< written by the worker before `seen`
    std::atomic<bool> seen{false};
};

void BM_EscapeToSilence(benchmark::State &state) {
    VoiceBench bench;
    std::vector<double> toPtt, toSilence;
    QElapsedTimer clock;
    clock.start();
    qint64 playingAt = -1, silencedAt = -1, releasedAt = -1, escapeAt = -1;
    QObject::connect(bench.voice.get(), &VoixKeyer::playing, [&] { playingAt = clock.elapsed(); });
    QObject::connect(bench.voice.get(), &VoixKeyer::silenced,
                     [&] { silencedAt = clock.nsecsElapsed(); });
    QObject::connect(bench.rig.get(), &PosteRig::keyingDone, [&] {
        if (escapeAt >= 0 && releasedAt < 0)
            releasedAt = clock.nsecsElapsed();
    });
    // rigctld's PTT read on a connection of its own, from a thread of its own, as often as it
    // answers: the moment it reads 0 is stamped.
    PttWatch watch(bench.radio.port());
    std::vector<double> toPttRead;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            playingAt = silencedAt = releasedAt = escapeAt = -1;
            bench.voice->play(1 + i % 4);
            QElapsedTimer waited;
            waited.start();
            while (playingAt < 0 && waited.elapsed() < 5000)
                runLoop(1);
            if (playingAt < 0)
                fail("le message vocal ne joue pas");
            runLoop(200);
            if (!watch.keyed())
                fail("le PTT n'est pas enclenché pendant le message");
            const auto pressed = steady::now();
            escapeAt = clock.nsecsElapsed();
            watch.arm();
            bench.voice->stop();
            const auto off = watch.waitOff(2000);
            if (!off)
                fail("le PTT n'est pas relâché");
            toPttRead.push_back(std::chrono::duration<double, std::milli>(*off - pressed).count());
            waited.restart();
            while ((silencedAt < 0 || releasedAt < 0) && waited.elapsed() < 2000)
                runLoop(1);
            if (silencedAt < 0 || releasedAt < 0)
                fail("Échap n'a pas coupé le message");
            toPtt.push_back(double(releasedAt - escapeAt) / 1e6);
            toSilence.push_back(double(silencedAt - escapeAt) / 1e6);
            if (bench.radio.rigctlOutput({QStringLiteral("t")}) != QLatin1String("0"))
                fail("le PTT est resté enclenché");
        }
    }
    std::sort(toPttRead.begin(), toPttRead.end());
    state.counters["escape_to_ptt_read_off_median_ms"] = toPttRead[toPttRead.size() / 2];
    state.counters["escape_to_ptt_read_off_worst_ms"] = toPttRead.back();
    std::sort(toPtt.begin(), toPtt.end());
    std::sort(toSilence.begin(), toSilence.end());
    state.counters["escape_to_ptt_off_median_ms"] = toPtt[toPtt.size() / 2];
    state.counters["escape_to_ptt_off_worst_ms"] = toPtt.back();
    state.counters["escape_to_silence_median_ms"] = toSilence[toSilence.size() / 2];
    state.counters["escape_to_silence_worst_ms"] = toSilence.back();
}

} // namespace

BENCHMARK(BM_GuiDelayWhileVoicePlays)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_EscapeToSilence)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GuiDelayWhileSending)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_EscapeToAbortOnTheWire)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
