// Timings of the partial check as the operator meets it at each key typed in the call-sign
// field: MASTER.SCP (85,000 calls), a first-name memory of 100,000 call signs of which none is
// in MASTER.SCP (the worst case: every call a distinct one), and a log of 100,000 QSOs. The
// index is built once, off the window's thread; each search must leave most of a millisecond
// for the list to be drawn, which is timed too. The rate line's figures are timed on the same
// log.

#include "BenchData.h"
#include "core/aids/FirstNames.h"
#include "core/aids/PartialCheck.h"
#include "core/io/TextFile.h"
#include "core/log/QsoRate.h"

#include "entry/PartialCheckPanel.h"
#include "support/PartialCheckProbe.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace zep;
using namespace zep::bench;

namespace {

const PartialCheckSources &sources() {
    static const PartialCheckSources s = [] {
        PartialCheckSources made;
        QFile scp(masterscp::systemPath);
        if (scp.open(QIODevice::ReadOnly))
            made.scpCalls = masterscp::check(scp.readAll(), false).calls;
        else
            std::fprintf(stderr, "%s absent : la liste est faite d'indicatifs inventés\n",
                         qPrintable(masterscp::systemPath));
        for (int i = 0; made.scpCalls.size() < 85000; ++i)
            made.scpCalls << QStringLiteral("K%1A%2").arg(i % 10).arg(i).toLatin1();
        // Memory call signs of their own, made up in the shapes of real ones.
        static const char *const prefixes[] = {"F", "DL", "EA", "ON", "G", "I", "HB9", "OK"};
        QStringList memory;
        for (int i = 0; i < memorySize; ++i) {
            const QString call = QStringLiteral("%1%2%3%4%5")
                                     .arg(QLatin1String(prefixes[i % 8]))
                                     .arg(i / 8 % 10)
                                     .arg(QChar(u'A' + i / 80 % 26))
                                     .arg(QChar(u'A' + i / 2080 % 26))
                                     .arg(i / 54080 == 0 ? QString() : QStringLiteral("X"));
            memory << FirstNameMemory::entry(call, department(i), names.at(i % names.size()));
        }
        if (!encodeLines(memory, made.memoryBytes))
            std::abort();
        made.log.lines = Lines(largeLogSize).log;
        made.log.version = 1;
        return made;
    }();
    return s;
}

const PartialCheckIndex &index() {
    static const PartialCheckIndex built = PartialCheckIndex::build(sources());
    return built;
}

// What an operator types: the first characters of a call, with common and rare n-grams.
const QStringList typed = {"F5",  "F5A",  "F5AB", "DL1", "K1", "1A",    "W1AW", "ON4",
                           "HB9", "EA3X", "9A",   "/P",  "G4", "OK1AB", "F6ABC"};

void BM_Build(benchmark::State &state) {
    sources();
    for (auto _ : state) {
        const PartialCheckIndex built = PartialCheckIndex::build(sources());
        benchmark::DoNotOptimize(built.callCount());
    }
    state.counters["calls"] = double(index().callCount());
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond)->Iterations(5);

/// One key typed: the calls containing the text and the neighbours, for each text in turn.
void BM_Keystroke(benchmark::State &state) {
    index();
    qsizetype i = 0;
    for (auto _ : state) {
        const QString &t = typed.at(i++ % typed.size());
        const QList<KnownCall> known = index().search(t, u"14", u"SSB");
        const QList<KnownCall> near = index().neighbours(t, u"14", u"SSB");
        benchmark::DoNotOptimize(known.size() + near.size());
    }
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

/// The slowest text of the list, alone: two characters found in thousands of calls.
void BM_KeystrokeWorst(benchmark::State &state) {
    index();
    const QString t = typed.at(state.range(0));
    for (auto _ : state) {
        const QList<KnownCall> known = index().search(t, u"14", u"SSB");
        const QList<KnownCall> near = index().neighbours(t, u"14", u"SSB");
        benchmark::DoNotOptimize(known.size() + near.size());
    }
    state.SetLabel(t.toStdString());
}
BENCHMARK(BM_KeystrokeWorst)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

/// A live QSO followed by the index and the rate, then the rate line's figures.
void BM_FollowAndRate(benchmark::State &state) {
    PartialCheckIndex followed = PartialCheckIndex::build(sources());
    RateFollower rate;
    rate.follow(sources().log);
    LogReading now = sources().log;
    quint64 version = 1;
    for (auto _ : state) {
        const QString line = qsoLine(int(version), QStringLiteral("F9NEW%1").arg(version));
        now.lines.append(line);
        const quint64 since = version++;
        now.version = version;
        now.changesSince = [since, at = now.lines.size() - 1,
                            line](quint64 from) -> std::optional<QList<LogChange>> {
            if (from != since)
                return std::nullopt;
            return QList<LogChange>{{at, {}, {line}}};
        };
        followed.followLog(now);
        rate.follow(now);
        benchmark::DoNotOptimize(rate.figures(QStringLiteral("14"), std::nullopt).lastHour);
    }
}
BENCHMARK(BM_FollowAndRate)->Unit(benchmark::kMicrosecond)->Iterations(2000);

/// One key typed as the window meets it: the text changed in the field, both lists searched and
/// filled, drawn offscreen.
void BM_KeystrokeInWindow(benchmark::State &state) {
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("Liste_Prenom.txt"));
    QByteArray scp;
    for (const QByteArray &call : sources().scpCalls)
        scp += call + "\r\n";
    if (!writeBytesFile(dir.filePath(masterscp::fileName), scp).ok ||
        !writeBytesFile(memory, sources().memoryBytes).ok)
        std::abort();
    QWidget window;
    auto *field = new QLineEdit(&window);
    PartialCheckPanel panel(field,
                            {dir.path(), memory, [] { return QStringLiteral("log"); },
                             [] { return QStringLiteral("14"); },
                             [] { return QStringLiteral("SSB"); }, [] { return false; },
                             [] { return sources().log; }},
                            &window);
    window.show();
    panel.followLog(sources().log);
    if (!QTest::qWaitFor([&] { return PartialCheckProbe::ready(panel); }, 60000))
        std::abort();
    qsizetype i = 0;
    for (auto _ : state) {
        field->setText(typed.at(i++ % typed.size()));
        benchmark::DoNotOptimize(panel.known()->count());
    }
}
BENCHMARK(BM_KeystrokeInWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quietOffscreenPlatform();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
