// The entry window while a 50 Mo ADIF file is previewed for import: the GUI thread's worst
// stall, measured as the longest gap between two ticks of a 1 ms timer from "Importer un
// fichier ADIF…" to the preview window drawn. Target: under 16 ms (one frame). For comparison
// the same preview worked out on the GUI thread, as it was before the worker.
//
// The file is the 50 Mo file of bench_adif_import (about 230,000 records of another program's
// log against a log of 10,000 QSOs). The machine's load shows in the figure: run it on a quiet
// machine. ZEP_BENCH_DISK chooses the folder of the files.

#include "BenchData.h"
#include "core/adif/AdifReader.h"
#include "core/exchange/AdifExport.h"
#include "core/exchange/AdifImport.h"
#include "core/io/TextFile.h"
#include "exchange/Import_ADIF.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace zep;

namespace {

const adifimport::Target boxes{{QStringLiteral("3.5"), QStringLiteral("7"), QStringLiteral("14"),
                                QStringLiteral("21"), QStringLiteral("28")},
                               {QStringLiteral("SSB"), QStringLiteral("CW")}};

/// The processor time of the calling thread, in ns.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

/// The longest wait of the GUI thread's event loop while it runs: the wall time between two
/// ticks, and the GUI thread's own processor time between them (what it worked, apart from
/// the time a loaded machine gave to others).
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        worst_ = worstCpu_ = 0;
        ticks_ = 0;
        clock_.start();
        last_ = 0;
        lastCpu_ = threadCpuNs();
        timer_.start();
    }
    void stop() {
        timer_.stop();
        tick();
    }
    /// The worst gap in ms, less the timer's own millisecond.
    double worstMs() const { return std::max(0.0, double(worst_) / 1e6 - 1.0); }
    double worstCpuMs() const { return double(worstCpu_) / 1e6; }
    int ticks() const { return ticks_; }

private:
    void tick() {
        const qint64 now = clock_.nsecsElapsed(), cpu = threadCpuNs();
        worst_ = std::max(worst_, now - last_);
        worstCpu_ = std::max(worstCpu_, cpu - lastCpu_);
        last_ = now;
        lastCpu_ = cpu;
        ++ticks_;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, worst_ = 0, lastCpu_ = 0, worstCpu_ = 0;
    int ticks_ = 0;
};

struct Files {
    std::unique_ptr<QTemporaryDir> dir;
    QString adif, log;
    qint64 adifSize = 0;
};

/// A log of 10,000 QSOs, and about 50 Mo of another program's log, one record in a hundred
/// a QSO of the log, one in fifty on a band the window does not offer.
Files makeFiles() {
    Files f;
    f.dir = bench::scratchDirectory(qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath()));
    const bench::Lines made;
    QByteArray log;
    if (!encodeLines(made.log, log))
        std::abort();
    QStringList other;
    QByteArray adif;
    for (int i = 0; adif.size() < 50 * 1024 * 1024; i += 10000) {
        other.clear();
        for (int k = i; k < i + 10000; ++k) {
            if (k % 100 == 0) {
                other << made.log.at(k % made.log.size());
                continue;
            }
            QString line =
                bench::qsoLine(k * 10 / 7, made.calls.at((k * 104729 + 13) % bench::memorySize));
            if (k % 50 == 1)
                line.replace(qsocol::band - 1, qsocol::bandWidth, QStringLiteral(" 60"));
            other << line;
        }
        QByteArray bytes;
        if (!encodeLines(other, bytes))
            std::abort();
        QByteArray part = adif::document(QStringLiteral("Autre logiciel"), bytes);
        if (!adif.isEmpty())
            part = part.mid(part.indexOf("<EOH>") + 5);
        adif += part;
    }
    const QDir d(f.dir->path());
    f.adif = d.filePath(QStringLiteral("autre_logiciel.adi"));
    f.log = d.filePath(QStringLiteral("DFCF-12-345.txt"));
    if (!writeBytesFile(f.adif, adif) || !writeBytesFile(f.log, log))
        std::abort();
    f.adifSize = adif.size();
    return f;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Files files = makeFiles();
    StallMeter meter;

    for (int run = 1; run <= 3; ++run) {
        // Before: the preview worked out on the GUI thread.
        meter.start();
        QElapsedTimer onGui;
        onGui.start();
        QTimer::singleShot(0, [&] {
            const adifimport::FilePreview made =
                adifimport::previewFiles(files.adif, files.log, boxes);
            if (!made.refusal.isEmpty())
                std::abort();
            app.quit();
        });
        app.exec();
        meter.stop();
        const double guiStall = meter.worstMs();
        const qint64 guiMs = onGui.elapsed();

        // Now: behind "Progression", then the preview window opened and drawn.
        meter.start();
        QElapsedTimer toWindow;
        toWindow.start();
        qsizetype rows = 0;
        qint64 windowMs = 0;
        double built = 0;
        QTimer::singleShot(0, [&] {
            Progression_Import progress(QStringLiteral("autre_logiciel.adi"));
            std::optional<adifimport::FilePreview> made =
                progress.run([&](adifimport::PreviewProgress &p) {
                    return adifimport::previewFiles(files.adif, files.log, boxes, &p);
                });
            if (!made || !made->refusal.isEmpty())
                std::abort();
            const qint64 before = threadCpuNs();
            Import_ADIF window(made->preview, files.adif, QStringLiteral("DFCF-12-345"));
            built = double(threadCpuNs() - before) / 1e6;
            QTimer::singleShot(0, &window, [&] {
                windowMs = toWindow.elapsed();
                rows = made->preview.items.size();
                window.reject();
            });
            window.exec();
            app.quit();
        });
        app.exec();
        meter.stop();
        std::printf(
            "passe %d : fichier de %.1f Mo, %lld enregistrements ; sur le fil de la "
            "fenêtre : aperçu en %lld ms, pire attente %.1f ms ; sur un fil de travail : "
            "fenêtre d'aperçu affichée en %lld ms, pire attente %.1f ms dont %.1f ms de "
            "travail du fil de la fenêtre (%d tops) ; fenêtre d'aperçu construite en %.1f ms\n",
            run, double(files.adifSize) / (1024 * 1024), static_cast<long long>(rows),
            static_cast<long long>(guiMs), guiStall, static_cast<long long>(windowMs),
            meter.worstMs(), meter.worstCpuMs(), meter.ticks(), built);
        std::fflush(stdout);
    }
    return 0;
}
