// The GUI thread while the radio is followed: the worst delay of its event loop over a window
// of time (30 s by default, ZEP_RADIO_BENCH_SECONDS to change it), with the entry window open
// and following a rigctld whose dial is turned every second, and following a peer that takes
// the connection and never answers; and the CPU the following costs, measured without the
// probe. The radio is read by the program's own helper process (zep-rozadovev-poste, through
// PosteRig). A third run kills the helper (SIGKILL) every 2 s while the rigctld answers: its
// death and restart must cost the GUI thread no stall over 16 ms, and the reading comes back.
//
// The probe is a 1 ms precise timer of the GUI thread: its worst lateness is the longest the
// window could not react to a key. The benchmark's own time column is the window's length.

#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "core/station/RadioReading.h"
#include "entry/Saisie_QSO.h"
#include "platform/PosteRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
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

#include <csignal>
#include <unistd.h>

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
        setup.activation.activator = QStringLiteral("F4ABC");
        setup.activation.reference = QStringLiteral("DFCF-21-001");
        setup.activation.programme = QStringLiteral("DFCF");
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

/// CPU time of process `pid` (the radio helper), in seconds; 0 when it cannot be read.
double processCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // utime and stime are the 14th and 15th fields, the 12th and 13th after the name's ')'.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return 0;
    return double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

/// CPU of the program and its radio helper, in % of one core, while the loop idles for `ms`.
double cpuPercent(int ms, const PosteRig &rig) {
    const qint64 helper = rig.helperPid();
    const double before = cpuSeconds(), helperBefore = processCpuSeconds(helper);
    QElapsedTimer wall;
    wall.start();
    runLoop(ms);
    // A helper replaced meanwhile took its time with it: only the program is counted then.
    const double helperTime =
        rig.helperPid() == helper ? processCpuSeconds(helper) - helperBefore : 0.0;
    return 100.0 * (cpuSeconds() - before + helperTime) / (double(wall.nsecsElapsed()) / 1e9);
}

void follow(benchmark::State &state, bool answering, bool killHelper = false) {
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
    PosteRig rig;
    Saisie_QSO window(w.dir.path(), w.setup, w.settings, w.dialogs, w.clock);
    window.show();
    int readings = 0;
    QObject::connect(&rig, &RigControl::readingChanged, [&] { ++readings; });
    window.attachRig(rig);
    QTest::qWait(1500); // the link made, or found silent
    // The helper killed every 2 s; each time, the first reading of the new one is counted.
    int kills = 0, comebacks = 0;
    bool killed = false;
    QObject::connect(&rig, &RigControl::readingChanged, [&](const RigReading &r) {
        if (killed && r.answering()) {
            ++comebacks;
            killed = false;
        }
    });
    QTimer killer;
    killer.setInterval(2000);
    QObject::connect(&killer, &QTimer::timeout, [&] {
        if (const qint64 pid = rig.helperPid(); pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0) {
            ++kills;
            killed = true;
        }
    });
    if (killHelper)
        killer.start();
    for (auto _ : state) {
        state.counters["worst_delay_ms"] = worstDelayMs(ms);
        state.counters["cpu_percent"] = cpuPercent(std::min(ms, 10'000), rig);
    }
    killer.stop();
    state.counters["readings"] = readings;
    if (killHelper) {
        state.counters["helper_kills"] = kills;
        state.counters["comebacks"] = comebacks;
        state.counters["helper_starts"] = rig.starts();
        if (comebacks < kills - 1)
            fail("la lecture du poste n'est pas revenue après la mort du programme du poste");
    }
    state.counters["window_s"] = ms / 1000;
    if (!w.dialogs.shown().empty())
        fail("une boîte de message est venue du poste");
    if (answering && readings < 2)
        fail("le poste n'a pas été suivi");
    QElapsedTimer end;
    end.start();
    window.close();
    rig.stop();
    state.counters["stop_ms"] = double(end.elapsed());
}

void BM_RadioAnswering(benchmark::State &state) {
    follow(state, true);
}
void BM_RadioSilentPeer(benchmark::State &state) {
    follow(state, false);
}

} // namespace

void BM_RadioHelperKilled(benchmark::State &state) {
    follow(state, true, true);
}

BENCHMARK(BM_RadioAnswering)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RadioSilentPeer)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RadioHelperKilled)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
