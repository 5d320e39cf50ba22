// Timings of the "Afficher" windows and the listings on a busy activation (a log of 10,000
// QSOs), drawn offscreen: opening each window up to its first paint, saving each listing
// beside its floor (reading the log and writing, syncing and renaming a file of the listing's
// size, the least any save has to do), and laying out the whole log printout into a PDF.

#include "BenchData.h"
#include "core/io/Dialogs.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/CurrentActivation.h"
#include "core/reports/LogListing.h"
#include "entry/WindowServices.h"
#include "platform/FileChooser.h"
#include "platform/QtPrinter.h"
#include "platform/RecordingPrinter.h"
#include "reports/Affiche_Log.h"
#include "reports/Liste_Operateurs.h"
#include "reports/ListingActions.h"
#include "reports/Log_Alpha.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace zep;
using namespace zep::bench;

namespace {

const QString reference = QStringLiteral("DFCF-21-001");

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "banc d'essai interrompu : %s\n", what);
    std::abort();
}

/// No save dialog is opened by what is measured here.
class NoFileChooser : public FileChooser {
public:
    std::optional<QString> saveFileName(QWidget *, const QString &, const QString &,
                                        const QString &, const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> openFileName(QWidget *, const QString &, const QString &,
                                        const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> directoryName(QWidget *, const QString &, const QString &) override {
        return std::nullopt;
    }
};

/// The program directory: the activation list and the 10,000-QSO log.
struct Data {
    std::unique_ptr<QTemporaryDir> dir = scratchDirectory(QDir::tempPath());
    FixedActivationSource activation;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    RecordingPrintService printing;
    NoFileChooser files;
    std::unique_ptr<WindowServices> services;
    QStringList log;

    explicit Data(const Lines &lines) : log(lines.log) {
        ActivationRecord r;
        r.number = reference;
        r.activator = QStringLiteral("F4ABC");
        r.name = QStringLiteral("Château de Vougeot");
        r.postalCode = QStringLiteral("21640");
        r.type = QStringLiteral("DFCF");
        r.date = QStringLiteral("01/05/24");
        r.commune = QStringLiteral("Vougeot");
        if (!ActivationList(dir->path()).append(formatActivationLine(r, 0)).ok ||
            !writeTextFile(activityLogPath(dir->path(), reference), log).ok)
            fail("écriture des données impossible");
        activation.activation.reference = reference;
        activation.activation.date = r.date;
        services = std::make_unique<WindowServices>(
            WindowServices{dir->path(), activation, settings, dialogs, printing, files});
    }
};

Data *data = nullptr;

template <class Window> void openWindow(benchmark::State &state, Window *(*make)()) {
    for (auto _ : state) {
        std::unique_ptr<Window> window(make());
        window->Form_Load();
        QApplication::processEvents(); // the first paint
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_OpenAfficheLog(benchmark::State &state) {
    openWindow<Affiche_Log>(state, [] { return new Affiche_Log(*data->services, nullptr); });
}
void BM_OpenLogAlpha(benchmark::State &state) {
    openWindow<Log_Alpha>(state, [] { return new Log_Alpha(*data->services, nullptr); });
}
void BM_OpenListeOperateurs(benchmark::State &state) {
    openWindow<Liste_Operateurs>(state, [] { return new Liste_Operateurs(*data->services); });
}

void BM_SaveListing(benchmark::State &state, ListingVariant variant) {
    const QStringList body =
        variant == ListingVariant::Alpha ? alphaListingItems(data->log) : listingItems(data->log);
    qint64 bytes = 0;
    for (auto _ : state) {
        if (!saveListingFromWindow(*data->services, nullptr, nullptr, variant, body))
            fail("listing non écrit");
    }
    const QString name = listingFileName(reference, data->activation.activation.date, variant);
    bytes = QFileInfo(dataFile(data->dir->path(), name)).size();
    state.counters["file_bytes"] = double(bytes);
    data->dialogs.clear();
}

/// What any save of that listing has to do: read the log, write its bytes crash-safely.
void BM_SaveFloor(benchmark::State &state, ListingVariant variant) {
    const QString name = listingFileName(reference, data->activation.activation.date, variant);
    const FileBytes listing = readFileBytes(dataFile(data->dir->path(), name));
    if (!listing.status)
        fail("listing absent: run the save benchmark first");
    const QString target = dataFile(data->dir->path(), QStringLiteral("plancher.txt"));
    for (auto _ : state) {
        const TextLines read = readTextFile(activityLogPath(data->dir->path(), reference));
        benchmark::DoNotOptimize(read.lines.size());
        if (!writeBytesFile(target, listing.bytes).ok)
            fail("écriture impossible");
    }
}

void BM_PrintoutToPdf(benchmark::State &state) {
    const ListingHeader header = readListingHeader(data->dir->path(), reference).header;
    qint64 size = 0;
    for (auto _ : state) {
        QByteArray pdf;
        if (!printToPdfBytes(logPrintoutJob(printedLogLines(header, data->log)), pdf).ok)
            fail("PDF impossible");
        size = pdf.size();
    }
    state.counters["pdf_bytes"] = double(size);
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenPlatform();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const Lines made;
    Data made_data(made);
    data = &made_data;
    const auto ms = [](benchmark::internal::Benchmark *b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    ms(benchmark::RegisterBenchmark("open/Affiche_Log", BM_OpenAfficheLog));
    ms(benchmark::RegisterBenchmark("open/Log_Alpha", BM_OpenLogAlpha));
    ms(benchmark::RegisterBenchmark("open/Liste_Operateurs", BM_OpenListeOperateurs));
    ms(benchmark::RegisterBenchmark("save/log", BM_SaveListing, ListingVariant::Log));
    ms(benchmark::RegisterBenchmark("save/log_floor", BM_SaveFloor, ListingVariant::Log));
    ms(benchmark::RegisterBenchmark("save/alpha", BM_SaveListing, ListingVariant::Alpha));
    ms(benchmark::RegisterBenchmark("save/alpha_floor", BM_SaveFloor, ListingVariant::Alpha));
    ms(benchmark::RegisterBenchmark("print/log_to_pdf", BM_PrintoutToPdf));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
