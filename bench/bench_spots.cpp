// The "Annonces" window open with 1,000 spots while 50 spots a second come in (batches of 10
// every 200 ms, the feed's pace), for ZEP_BENCH_SPOTS_SECONDS (60 by default): the GUI thread's
// worst stall (the longest late start of a 5 ms timer), the longest batch, and the resident
// size once the list is full and at the end. Then a filter change ("Bande en cours", the mode,
// "Références seulement") on the full list. With ZEP_SPOTS_SCREENSHOT set, it draws the window
// with a few spots into that file instead (the guide's picture).

#include "cluster/Annonces.h"
#include "core/io/Clock.h"
#include "core/io/Settings.h"
#include "platform/StatusLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <unistd.h>

using namespace zep;

namespace {

const QStringList bands{"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"};
const double frequencies[] = {1840,  3650,  7100,  10115, 14285, 18130,
                              21300, 24950, 28500, 50150, 144300};
const char *comments[] = {"POTA K-0817 cq",     "tnx qso 599", "DFCF 76054 SSB",
                          "CW 14 dB 18 WPM CQ", "FT8 -12 dB",  "WWFF ONFF-0230 : Rene",
                          "SOTA F/AM-001"};

spots::Spot nth(qint64 n, qint64 nowMs) {
    spots::Spot s;
    s.call = QStringLiteral("F%1AB%2").arg(n % 10).arg(n, 5, 36, QLatin1Char('0')).toUpper();
    s.kHz = frequencies[n % 11] + double(n % 50);
    s.comment = QLatin1String(comments[n % 7]);
    s.spotter = QStringLiteral("DL%1XY").arg(n % 9);
    s.utcMinutes = int(n % 1440);
    s.seenMs = nowMs;
    return s;
}

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> f = statm.readAll().split(' ');
    return f.size() > 1 ? double(f[1].toLongLong()) * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

struct Window {
    MemorySettingsStore settings;
    SystemClock clock;
    spots::WorkedSet worked;
    std::unique_ptr<Annonces> w;
    qint64 next = 0;
    Window() {
        w = std::make_unique<Annonces>(
            settings, clock,
            SpotContext{[] { return QStringLiteral("14"); }, [] { return QStringLiteral("SSB"); },
                        [] { return bands; }, [] { return QStringList{QStringLiteral("DFCF")}; }},
            [](const spots::Spot &) {}, [] {});
        for (qint64 i = 0; i < 2000; i += 3)
            worked.insert(
                spots::workedKey(nth(i, 0).call, QStringLiteral("14"), QStringLiteral("SSB")));
        w->setWorked(worked);
        add(1000);
        w->Form_Load();
        QApplication::processEvents();
    }
    void add(int n) {
        QList<spots::Spot> batch;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < n; ++i)
            batch.append(nth(next++, now));
        w->addSpots(batch);
    }
};

void BM_SpotsIntoOpenWindow(benchmark::State &state) {
    const int seconds = qEnvironmentVariableIntValue("ZEP_BENCH_SPOTS_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("ZEP_BENCH_SPOTS_SECONDS")
                            : 60;
    for (auto _ : state) {
        Window win;
        const double rssFull = residentMegabytes();
        QEventLoop loop;
        QElapsedTimer gap, batchTime;
        gap.start();
        qint64 worstStallUs = 0, worstBatchUs = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            worstStallUs = std::max(worstStallUs, gap.nsecsElapsed() / 1000 - 5000);
            gap.restart();
        });
        QTimer batches;
        batches.setTimerType(Qt::PreciseTimer);
        QObject::connect(&batches, &QTimer::timeout, [&] {
            batchTime.start();
            win.add(10);
            worstBatchUs = std::max(worstBatchUs, batchTime.nsecsElapsed() / 1000);
        });
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        tick.start(5);
        batches.start(200);
        loop.exec();
        state.counters["spots"] = double(win.next);
        state.counters["kept"] = double(win.w->list().size());
        state.counters["worst_stall_ms"] = double(worstStallUs) / 1000.0;
        state.counters["worst_batch_ms"] = double(worstBatchUs) / 1000.0;
        state.counters["rss_full_mb"] = rssFull;
        state.counters["rss_end_mb"] = residentMegabytes();
    }
}
BENCHMARK(BM_SpotsIntoOpenWindow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_FilterChange(benchmark::State &state) {
    Window win;
    int step = 0;
    qint64 worstUs = 0;
    QElapsedTimer t;
    for (auto _ : state) {
        t.start();
        switch (step++ % 4) {
        case 0:
            win.w->Bande_En_Cours->toggle();
            break;
        case 1:
            win.w->Mode_Filtre->setCurrentIndex((win.w->Mode_Filtre->currentIndex() + 1) % 3);
            break;
        case 2:
            win.w->References_Seulement->toggle();
            break;
        default:
            win.w->refresh();
        }
        worstUs = std::max(worstUs, t.nsecsElapsed() / 1000);
    }
    state.counters["worst_ms"] = double(worstUs) / 1000.0;
}
BENCHMARK(BM_FilterChange)->Unit(benchmark::kMillisecond);

} // namespace

/// The window as the guide shows it, drawn into `path` (ZEP_SPOTS_SCREENSHOT).
int screenshot(const QString &path) {
    MemorySettingsStore settings;
    SystemClock clock;
    Annonces w(
        settings, clock,
        SpotContext{[] { return QStringLiteral("14"); }, [] { return QStringLiteral("SSB"); },
                    [] { return bands; }, [] { return QStringList{QStringLiteral("DFCF")}; }},
        [](const spots::Spot &) {}, [] {});
    const char *lines[] = {
        "DX de F5ZZZ:     14285.0  F4ABC        DFCF 76054 SSB                 1402Z JN19",
        "DX de DL1XYZ:    14244.0  EA5XX/P      POTA ES-0123 59                1404Z",
        "DX de EA5WU-#:   14049.6  G4LEM          CW    14 dB  18 WPM  CQ      1405Z",
        "DX de ON7WN:      7093.0  OT6V/P       wwff onff-0230 : Rene          1406Z",
        "DX de W3LPL:     14195.1  F6KDF        tnx qso                        1407Z FM19",
        "DX de F4DEF:      3650.0  F5XYZ        DFCF 21-002 merci              1408Z",
    };
    QList<spots::Spot> taken;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const char *line : lines)
        if (std::optional<spots::Spot> s = spots::parseSpotLine(line)) {
            s->seenMs = now;
            taken.append(*s);
        }
    spots::Spot pota;
    pota.source = spots::Source::Pota;
    pota.call = QStringLiteral("K8ABC");
    pota.kHz = 14062.0;
    pota.mode = QStringLiteral("CW");
    pota.reference = QStringLiteral("US-1234");
    pota.comment = QStringLiteral("RBN 19 dB 21 WPM");
    pota.spotter = QStringLiteral("WE9V-#");
    pota.utcMinutes = 14 * 60 + 9;
    pota.seenMs = now;
    taken.append(pota);
    w.setWorked(
        {spots::workedKey(QStringLiteral("F6KDF"), QStringLiteral("14"), QStringLiteral("SSB"))});
    w.addSpots(taken);
    w.Form_Load();
    w.Etat_Cluster->setText(QStringLiteral("Cluster : connecté à dxcluster.example.org"));
    w.Etat_POTA->setText(QStringLiteral("POTA : 1 annonce"));
    QApplication::processEvents();
    return w.grab().save(path) ? 0 : 1;
}

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (const QString shot = qEnvironmentVariable("ZEP_SPOTS_SCREENSHOT"); !shot.isEmpty())
        return screenshot(shot);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
