// A DX cluster node flooding an announcement from 127.0.0.1: endless short lines after the DX
// line, 100 MB of short lines after the login in place of the node's prompt, and 100 MB that
// never end a line. Each case times the announcement with the client's
// own timings (10 s overall) from "Envoyer" to the outcome, and reports the megabytes the node
// got through, the most the client held of them at once, and the process's peak resident size
// (getrusage; a peak of the whole run, so of this case and those before it). When the node got
// its whole flood through, "flood_sent_s" says when.

#include "cluster/ClusterClient.h"
#include "support/FloodingNode.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

using namespace zep;
using zep::testing::FloodingNode;

namespace {

double maxRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void announceTo(benchmark::State &state, FloodingNode::Flood flood, qint64 total) {
    for (auto _ : state) {
        FloodingNode node(flood, total);
        if (!node.port()) {
            state.SkipWithError("aucun port libre");
            return;
        }
        ClusterClient client; // the program's timings
        QEventLoop loop;
        bool answered = false;
        QObject::connect(&client, &ClusterClient::finished, &loop,
                         [&loop, &answered](bool a, const QString &) {
                             answered = a;
                             loop.quit();
                         });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit); // never wait for ever
        QElapsedTimer t;
        t.start();
        // When the node had sent all of its flood (and the client had taken it).
        double floodSeconds = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (floodSeconds == 0 && node.flooded() >= total)
                floodSeconds = double(t.nsecsElapsed()) / 1e9;
        });
        watch.start(10);
        client.announce({QStringLiteral("127.0.0.1"),
                         node.port(),
                         QStringLiteral("F4ABC"),
                         {14285.0, QStringLiteral("F4ABC"), QStringLiteral("DFCF-21-001 SSB")}});
        loop.exec();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        state.counters["flood_MB"] = double(node.flooded()) / (1024.0 * 1024.0);
        state.counters["kept_KiB"] = double(client.peakKept()) / 1024.0;
        state.counters["maxRSS_MB"] = maxRssMegabytes();
        state.counters["answered"] = answered ? 1 : 0;
        state.counters["flood_sent_s"] = floodSeconds;
    }
}

void BM_ShortLinesAfterTheDxLine(benchmark::State &state) {
    announceTo(state, FloodingNode::Flood::ShortLines, qint64(100) * 1024 * 1024);
}
void BM_HundredMegabytesOfLinesInsteadOfThePrompt(benchmark::State &state) {
    announceTo(state, FloodingNode::Flood::LinesInsteadOfPrompt, qint64(100) * 1024 * 1024);
}
void BM_HundredMegabytesWithoutLineEnd(benchmark::State &state) {
    announceTo(state, FloodingNode::Flood::NoLineEnd, qint64(100) * 1024 * 1024);
}

BENCHMARK(BM_ShortLinesAfterTheDxLine)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredMegabytesOfLinesInsteadOfThePrompt)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredMegabytesWithoutLineEnd)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
