// The messages keys of the entry window with the program's own cwdaemon keyer:
// - the GUI thread's worst event-loop delay while messages are sent to a real cwdaemon (F1,
//   F2, the speed keys, Escape and typing, for 10 s by default, ZEP_KEYER_BENCH_SECONDS to
//   change it);
// - the time from Escape to the abort datagram on the wire, read by a UDP peer on a thread of
//   its own that stamps each datagram as it arrives (60 messages stopped).
// The probe is a 1 ms precise timer of the GUI thread: its worst lateness is the longest the
// window could not react to a key.

#include "core/Clock.h"
#include "core/CurrentActivation.h"
#include "core/Dialogs.h"
#include "core/KeyerSettings.h"
#include "entry/EntryKeyer.h"
#include "entry/Saisie_QSO.h"
#include "entry/WindowServices.h"
#include "platform/DeviceKeyers.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <netinet/in.h>
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
    explicit Window(quint16 port) {
        setup.activation.activeur = QStringLiteral("F4ABC/P");
        setup.activation.numActivite = QStringLiteral("DFCF 76054");
        settings.write(keys::modeActivite, QStringLiteral("1"));
        settings.write(keys::manipulateurSortie, QStringLiteral("2"));
        settings.write(keys::manipulateurPort, QString::number(port));
        settings.write(keys::manipulateurVitesse, QStringLiteral("30"));
        entry = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
        keyer = connectKeyer(*entry, services, &makeDeviceKeyer, nullptr);
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

} // namespace

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
