// The FT8 and FT4 traffic in the entry window, on the GUI thread:
// - a QSO Logged datagram to its line written in the log and shown in the list, on a log of
//   100,000 QSOs (the first-name memory of 100,000 entries consulted): each of 30 QSOs timed
//   from the datagram sent to the list grown by one; the worst and the mean;
// - a flood of 1,000 datagrams a second for 10 s (ZEP_DIGITAL_FLOOD_SECONDS to change it),
//   garbage, cut and lying messages with a few heartbeats among them, sent from a thread of
//   the benchmark: the worst lateness of a 1 ms timer of the GUI thread meanwhile, and not one
//   QSO logged from it; and the same window without the flood for ten seconds, the machine's
//   own worst delay, to compare with.

#include "BenchData.h"
#include "core/aids/FirstNames.h"
#include "core/digital/DigitalMessage.h"
#include "core/digital/DigitalSettings.h"
#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/CurrentActivation.h"
#include "digital/DigitalLink.h"
#include "digital/DigitalMenus.h"
#include "platform/QsoList.h"
#include "entry/Saisie_QSO.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zep;
using namespace zep::bench;

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "banc d'essai interrompu : %s\n", what);
    std::abort();
}

/// A free UDP port of 127.0.0.1.
quint16 freePort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&at), &size) != 0)
        fail("aucun port libre");
    ::close(fd);
    return ntohs(at.sin_port);
}

/// Sends datagrams to the program's port from a socket of its own.
struct Sender {
    explicit Sender(quint16 port) : fd(::socket(AF_INET, SOCK_DGRAM, 0)) {
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { ::close(fd); }
    void send(const QByteArray &d) const {
        (void)::sendto(fd, d.constData(), size_t(d.size()), 0,
                       reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }
    int fd;
    sockaddr_in to{};
};

QByteArray loggedQso(const QString &call, const QDateTime &on, quint64 hz) {
    digital::Writer w(digital::Type::QsoLogged, QStringLiteral("WSJT-X"));
    w.dateTime(on.addSecs(60)).utf8(call).utf8(QStringLiteral("JO62")).u64(hz);
    w.utf8(QStringLiteral("FT8")).utf8(QStringLiteral("-10")).utf8(QStringLiteral("+02"));
    w.utf8(QStringLiteral("10")).utf8(QString()).utf8(QString());
    w.dateTime(on).utf8(QStringLiteral("F4ABC")).utf8(QStringLiteral("F4ABC/P"));
    w.utf8(QStringLiteral("JN18du"));
    return w.bytes();
}

/// The entry window on a program directory holding a log of `qsos` QSOs and the memory.
struct Bench {
    explicit Bench(int qsos) : dir(scratchDirectory(QDir::tempPath())), port(freePort()) {
        setup.activation.activator = QStringLiteral("F4ABC");
        setup.activation.reference = QStringLiteral("DFCF-21-001");
        setup.activation.programme = QStringLiteral("DFCF");
        const Lines lines(qsos);
        if (!writeTextFile(activityLogPath(dir->path(), setup.activation.reference), lines.log)
                 .ok ||
            !writeTextFile(dataFile(dir->path(), QStringLiteral("Liste_Prenom.txt")), lines.memory)
                 .ok)
            fail("fichiers impossibles à écrire");
        settings.write(keys::numeriqueActif, QStringLiteral("1"));
        settings.write(keys::numeriquePort, QString::number(port));
        window = std::make_unique<Saisie_QSO>(dir->path(), setup, settings, dialogs, clock);
        window->show();
        room = connectDigital(*window, services, clock);
        QElapsedTimer waited;
        waited.start();
        while (!room->statusLine()->text().contains(QStringLiteral("en écoute")) &&
               waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!room->statusLine()->text().contains(QStringLiteral("en écoute")))
            fail("le programme n'écoute pas");
    }
    std::unique_ptr<QTemporaryDir> dir;
    quint16 port;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    SystemClock clock;
    FixedActivationSource setup;
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir->path(), setup, settings, dialogs, printing, files};
    std::unique_ptr<Saisie_QSO> window;
    DigitalRoom *room = nullptr;
};

void BM_DigitalQsoToList(benchmark::State &state) {
    Bench s(largeLogSize);
    const Sender sender(s.port);
    const QStringList calls = callSigns(200);
    double worst = 0, total = 0;
    int n = 0;
    for (auto _ : state) {
        const int before = s.window->Liste_QSO->count();
        const QDateTime on = QDateTime::currentDateTimeUtc().addSecs(-60);
        QElapsedTimer t;
        t.start();
        sender.send(loggedQso(calls.at(n % calls.size()), on, 14074000));
        while (s.window->Liste_QSO->count() == before && t.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (s.window->Liste_QSO->count() != before + 1)
            fail("le QSO n'est pas arrivé dans la liste");
        state.SetIterationTime(ms / 1000);
        worst = std::max(worst, ms);
        total += ms;
        ++n;
    }
    state.counters["worst_ms"] = worst;
    state.counters["mean_ms"] = total / n;
    state.counters["log_qsos"] = s.window->Liste_QSO->count();
    if (!s.dialogs.shown().empty())
        fail("une boîte de message est venue d'un QSO reçu");
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
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return double(worst) / 1e6;
}

/// The same window listening, without a flood: the machine's own worst delay, to compare.
void BM_DigitalQuiet(benchmark::State &state) {
    const int seconds = qEnvironmentVariableIntValue("ZEP_DIGITAL_FLOOD_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("ZEP_DIGITAL_FLOOD_SECONDS")
                            : 10;
    Bench s(logSize);
    for (auto _ : state)
        state.counters["worst_delay_ms"] = worstDelayMs(seconds * 1000);
}

void BM_DigitalFlood(benchmark::State &state) {
    const int seconds = qEnvironmentVariableIntValue("ZEP_DIGITAL_FLOOD_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("ZEP_DIGITAL_FLOOD_SECONDS")
                            : 10;
    Bench s(logSize);
    const int before = s.window->Liste_QSO->count();
    // What the flood is made of: random bytes, a real QSO cut short or with a lying length,
    // a QSO of a call sign of no shape, a type nobody knows, and a few heartbeats.
    const QByteArray real =
        loggedQso(QStringLiteral("DL1ABC"), QDateTime::currentDateTimeUtc(), 14074000);
    std::vector<QByteArray> kinds;
    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {
        QByteArray noise(int(random() % 1400), Qt::Uninitialized);
        for (char &c : noise)
            c = char(random());
        kinds.push_back(noise);
        // A cut that happens to end where an older sender's message ends is a whole QSO:
        // only the cuts the reader refuses are garbage.
        const QByteArray cut = real.first(qsizetype(random() % real.size()));
        if (!digital::readDatagram(cut).ok())
            kinds.push_back(cut);
        QByteArray lying = real;
        lying[12 + int(random() % 4)] = char(0x7f);
        kinds.push_back(lying);
    }
    kinds.push_back(loggedQso(QStringLiteral("NOT A CALL"), QDateTime::currentDateTimeUtc(),
                              14074000));
    kinds.push_back(digital::Writer(digital::Type(99), QStringLiteral("X")).bytes());
    kinds.push_back(digital::Writer(digital::Type::Heartbeat, QStringLiteral("WSJT-X"))
                        .u32(3)
                        .utf8(QStringLiteral("2.7.0"))
                        .utf8(QStringLiteral("x"))
                        .bytes());
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    const quint64 readBefore = s.room->link().received();
    for (auto _ : state) {
        std::thread flood([&] {
            const Sender sender(s.port);
            QElapsedTimer t;
            t.start();
            // 1,000 a second, sent in bursts of 10 every 10 ms.
            for (int i = 0; !stop; ++i) {
                for (int k = 0; k < 10; ++k)
                    sender.send(kinds.at(size_t(i * 10 + k) % kinds.size()));
                sent += 10;
                const qint64 due = qint64(i + 1) * 10;
                while (!stop && t.elapsed() < due)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        state.counters["worst_delay_ms"] = worstDelayMs(seconds * 1000);
        stop = true;
        flood.join();
    }
    QTest::qWait(200);
    state.counters["sent"] = sent.load();
    state.counters["read"] = double(s.room->link().received() - readBefore);
    state.counters["ignored"] = double(s.room->link().ignored());
    state.counters["qsos_logged"] = s.window->Liste_QSO->count() - before;
    if (s.window->Liste_QSO->count() != before)
        fail("un QSO a été enregistré à partir de datagrammes faux");
}

} // namespace

BENCHMARK(BM_DigitalQsoToList)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DigitalQuiet)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_DigitalFlood)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quietOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
