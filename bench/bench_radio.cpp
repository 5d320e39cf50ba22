// The GUI thread while the radio is followed: the worst delay of its event loop over a window
// of time (30 s by default, ZEP_RADIO_BENCH_SECONDS to change it), with the entry window open
// and following a rigctld whose dial is turned every second, and following a peer that takes
// the connection and never answers; and the CPU the following costs, measured without the
// probe. The radio's link is made with the program's own worker (HamlibRig).
//
// The probe is a 1 ms precise timer of the GUI thread: its worst lateness is the longest the
// window could not react to a key. The benchmark's own time column is the window's length.

#include "core/Clock.h"
#include "core/CurrentActivation.h"
#include "core/Dialogs.h"
#include "core/RadioReading.h"
#include "core/Settings.h"
#include "entry/Saisie_QSO.h"
#include "platform/HamlibRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

using namespace zep;

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "banc d'essai interrompu : %s\n", what);
    std::abort();
}

int windowSeconds() {
    const int s = qEnvironmentVariableIntValue("ZEP_RADIO_BENCH_SECONDS");
    return s > 0 ? s : 30;
}

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        fail("aucun port libre");
    return probe.serverPort();
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

/// A rigctld with the dummy radio on a free port, its dial turned every second by rigctl from
/// a thread of its own (so that the turning costs the GUI thread nothing).
struct TurnedRigctld {
    TurnedRigctld() : port(freePort()) {
        daemon.start(QStringLiteral("rigctld"),
                     {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
        if (!daemon.waitForStarted(5000))
            fail("rigctld ne démarre pas (paquet libhamlib-utils)");
        for (int i = 0; i < 100; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            if (s.waitForConnected(100))
                break;
            QTest::qWait(50);
        }
        turner = std::thread([this] {
            const qint64 dial[] = {14'285'000, 7'030'000, 3'650'000, 21'200'000};
            const char *modes[] = {"USB", "CW", "LSB", "USB"};
            for (int i = 0; !stop; ++i) {
                const QByteArray command = QStringLiteral("rigctl -m 2 -r 127.0.0.1:%1 F %2 M %3 "
                                                          "2400 >/dev/null 2>&1")
                                               .arg(port)
                                               .arg(dial[i % 4])
                                               .arg(QLatin1String(modes[i % 4]))
                                               .toLocal8Bit();
                if (std::system(command.constData()) != 0)
                    ++failures;
                for (int t = 0; t < 10 && !stop; ++t)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~TurnedRigctld() {
        stop = true;
        turner.join();
        daemon.kill();
        daemon.waitForFinished(3000);
    }
    quint16 port;
    QProcess daemon;
    std::thread turner;
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
};

struct Window {
    Window() {
        setup.activation.activeur = QStringLiteral("F4ABC");
        setup.activation.numActivite = QStringLiteral("DFCF-21-001");
        setup.activation.typeActivite = QStringLiteral("DFCF");
    }
    QTemporaryDir dir;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    SystemClock clock;
    FixedActivationSource setup;
};

/// The GUI thread's own event loop for `ms` (QTest::qWait would sleep between its rounds).
void runLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

/// Runs the event loop for `ms` and returns the worst lateness of a 1 ms timer.
double worstDelayMs(int ms) {
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
    runLoop(ms);
    return double(worst) / 1e6;
}

/// CPU of the whole process, in % of one core, while the loop idles for `ms`.
double cpuPercent(int ms) {
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runLoop(ms);
    return 100.0 * (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

void follow(benchmark::State &state, bool answering) {
    const int ms = windowSeconds() * 1000;
    std::unique_ptr<TurnedRigctld> daemon;
    std::unique_ptr<QTcpServer> silent;
    RigLink link;
    link.kind = RigLink::Kind::Rigctld;
    if (answering) {
        daemon = std::make_unique<TurnedRigctld>();
        link.port = daemon->port;
    } else {
        silent = std::make_unique<QTcpServer>();
        if (!silent->listen(QHostAddress::LocalHost, 0))
            fail("pas de pair muet");
        link.port = silent->serverPort();
    }
    Window w;
    link.save(w.settings);
    HamlibRig rig;
    Saisie_QSO window(w.dir.path(), w.setup, w.settings, w.dialogs, w.clock);
    window.show();
    int readings = 0;
    QObject::connect(&rig, &RigControl::readingChanged, [&] { ++readings; });
    window.attachRig(rig);
    QTest::qWait(1500); // the link made, or found silent
    for (auto _ : state) {
        state.counters["worst_delay_ms"] = worstDelayMs(ms);
        state.counters["cpu_percent"] = cpuPercent(std::min(ms, 10'000));
    }
    state.counters["readings"] = readings;
    state.counters["window_s"] = ms / 1000;
    if (!w.dialogs.shown().empty())
        fail("une boîte de message est venue du poste");
    if (answering && readings < 2)
        fail("le poste n'a pas été suivi");
    QElapsedTimer end;
    end.start();
    window.close();
    rig.stop(600);
    state.counters["stop_ms"] = double(end.elapsed());
}

void BM_RadioAnswering(benchmark::State &state) {
    follow(state, true);
}
void BM_RadioSilentPeer(benchmark::State &state) {
    follow(state, false);
}

} // namespace

BENCHMARK(BM_RadioAnswering)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RadioSilentPeer)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
