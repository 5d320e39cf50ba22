// Timings of the QSO entry window as the operator meets it on a busy activation (a log of
// 10,000 QSOs, a first-name memory of 100,000 call signs), drawn offscreen: opening the window,
// Enter in the call-sign field, and a whole QSO from the call sign to the window ready for the
// next one, for a new station and a known one, single and double activation.
//
// The known call signs and the rate line (the typing aids, on unless said) are weighed against
// the same window without them ("aids_off"): a validation at an operator's pace (one QSO every
// 2 s) and in a burst (one every 60 ms) while the first index is still being made, the opening,
// and each key typed in the call-sign field with both lists filled and painted.
//
// Each operation is timed on its own (manual time) and its median over the iterations is given
// in the counter median_ms; the benchmark's own time column is the mean. What is put back
// between two operations (the files, the fields) is not timed. Every case runs on disk and on
// tmpfs, where a sync is nearly free.

#include "BenchData.h"
#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "core/log/CurrentActivation.h"
#include "entry/PartialCheckPanel.h"
#include "entry/QsoList.h"
#include "entry/Saisie_QSO.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

using namespace zep;
using namespace zep::bench;

namespace {

const QString firstReference = QStringLiteral("DFCF-21-001");
const QString secondReference = QStringLiteral("DFCF-21-002");

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "banc d'essai interrompu : %s\n", what);
    std::abort();
}

/// The program directory of one run, with its log (twice for a double activation) and memory.
struct Data {
    const Lines &lines;
    std::unique_ptr<QTemporaryDir> dir;
    QString logPath, secondLogPath, memoryPath;
    /// Call signs of the memory that the log holds on 3.5 MHz SSB (the window's starting band
    /// and mode): Enter on them finds the duplicate and the memory entry.
    QStringList known;

    Data(const QString &root, const Lines &made) : lines(made), dir(scratchDirectory(root)) {
        logPath = activityLogPath(dir->path(), firstReference);
        secondLogPath = activityLogPath(dir->path(), secondReference);
        memoryPath = dataFile(dir->path(), QStringLiteral("Liste_Prenom.txt"));
        for (int i = 0; i < lines.log.size() && known.size() < 500; ++i)
            if (bands.at(i / 7 % bands.size()) == QLatin1String("3.5") &&
                modes.at(i % modes.size()) == QLatin1String("SSB"))
                known << lines.calls.at(logCallIndex(i));
        reset();
    }

    /// Both logs and the memory back to their starting content.
    void reset() const {
        if (!writeTextFile(logPath, lines.log).ok || !writeTextFile(secondLogPath, lines.log).ok ||
            !writeTextFile(memoryPath, lines.memory).ok)
            fail("écriture des données impossible");
    }

    /// The log with its first QSO's remarks changed (`other`) or as it was.
    void rewriteLog(bool other) const {
        QStringList changed = lines.log;
        if (other)
            changed.first().replace(qsocol::remarks - 1, 6, QStringLiteral("QRP 4W"));
        if (!writeTextFile(logPath, changed).ok)
            fail("écriture du journal impossible");
    }

    /// Nothing kept from an earlier reading of the logs, as at the program's start: the program
    /// keeps the readings of eight logs at most, and a ninth read drops them all.
    void forgetReadings() const {
        const QDir scratch(dir->path() + QStringLiteral("/oubli"));
        if (!scratch.mkpath(QStringLiteral(".")))
            fail("dossier de travail impossible");
        for (int i = 0; i <= 8; ++i) {
            const QString path = scratch.filePath(QStringLiteral("L%1.txt").arg(i));
            if (!writeTextFile(path, {lines.log.first()}).ok || !ActivityLog(path).read().status)
                fail("écriture des données impossible");
        }
    }

    /// Makes the log look changed, as another program touching it does: the window must then
    /// read it again to know whether it changed. Only the file's times move, its content stays.
    void touchLog() const {
        if (::utimensat(AT_FDCWD, QFile::encodeName(logPath).constData(), nullptr, 0) != 0)
            fail("utimensat");
    }
};

/// The window and what it is given, as the program builds them.
struct Session {
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(14, 7, 30), Qt::UTC), 3600};
    FixedActivationSource setup;
    std::unique_ptr<Saisie_QSO> window;

    explicit Session(bool isDouble, bool aids = true) {
        settings.writeBool(keys::aidesSaisie, aids);
        setup.activation.activator = QStringLiteral("F4ABC");
        setup.activation.reference = firstReference;
        setup.activation.siteName = QStringLiteral("Château de Vougeot");
        setup.activation.programme = QStringLiteral("DFCF");
        setup.activation.postcode = QStringLiteral("21640");
        setup.activation.town = QStringLiteral("Vougeot");
        if (isDouble) {
            setup.activation.isDouble = true;
            setup.activation.secondReference = secondReference;
            setup.activation.secondSiteName = QStringLiteral("Vougeot");
            setup.activation.secondProgramme = QStringLiteral("DIFI");
        }
    }

    ~Session() { close(); }

    void close() {
        if (window) {
            window->setQuitHandler({});
            window->close();
            window.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    /// Built, shown and active with the cursor in the call-sign field, first paint done.
    void open(const QString &programDir) {
        window = std::make_unique<Saisie_QSO>(programDir, setup, settings, dialogs, clock);
        window->setQuitHandler({});
        window->show();
        QApplication::setActiveWindow(window.get());
        for (int i = 0; !ready(); ++i) {
            if (i > 1000)
                fail("la fenêtre ne devient pas active");
            QCoreApplication::processEvents();
        }
        settle();
    }

    bool ready() const {
        return window->isActiveWindow() && QApplication::focusWidget() == window->Indi_Q;
    }

    /// Runs what the last key left waiting (repaints, layout), as the event loop would.
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    QString focusName() const {
        const QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }

    void type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    }
    void enter() { press(Qt::Key_Return); }
    void replaceAndEnter(const QString &text) {
        press(Qt::Key_A, Qt::ControlModifier);
        press(Qt::Key_Delete);
        type(text);
        enter();
    }

    /// A message (not a question) means something went wrong: the timing would be of an error.
    void checkNoMessage() const {
        for (const ScriptedDialogs::Shown &s : dialogs.shown())
            if (!s.isQuestion) {
                std::fprintf(stderr, "message inattendu : %s\n", qPrintable(s.text));
                std::abort();
            }
    }
};

using Stopwatch = std::chrono::steady_clock;

double secondsSince(Stopwatch::time_point start) {
    return std::chrono::duration<double>(Stopwatch::now() - start).count();
}

/// Records each operation's time and gives the median and the extremes as counters.
class Samples {
public:
    void add(benchmark::State &state, double seconds) {
        state.SetIterationTime(seconds);
        times_.push_back(seconds);
    }
    void report(benchmark::State &state) {
        if (times_.empty())
            return;
        std::sort(times_.begin(), times_.end());
        const auto ms = [](double s) { return s * 1000.0; };
        state.counters["median_ms"] = ms(times_[times_.size() / 2]);
        state.counters["min_ms"] = ms(times_.front());
        state.counters["max_ms"] = ms(times_.back());
    }

private:
    std::vector<double> times_;
};

QString newCall(int i) {
    // Call signs no memory of real ones holds, French and foreign in turn.
    return i % 2 ? QStringLiteral("TK%1ZZ").arg(i) : QStringLiteral("F%1ZZZ").arg(i);
}

// --- the cases ----------------------------------------------------------------------------

/// The window built, shown and ready for the first call sign: the log is read and decoded (it
/// changed since the last run of the program), listed, counted and painted.
void openWindowWith(benchmark::State &state, const Data *d, bool aids) {
    d->reset();
    Samples samples;
    int i = 0;
    for (auto _ : state) {
        // A log whose first QSO differs from the one read last, and nothing kept from an
        // earlier reading, as at the program's start.
        d->rewriteLog(i++ % 2 == 0);
        d->forgetReadings();
        Session s(false, aids);
        const Stopwatch::time_point start = Stopwatch::now();
        s.open(d->dir->path());
        samples.add(state, secondsSince(start));
        s.checkNoMessage();
    }
    samples.report(state);
}

void openWindow(benchmark::State &state, const Data *d) {
    openWindowWith(state, d, true);
}
void openWindowAidsOff(benchmark::State &state, const Data *d) {
    openWindowWith(state, d, false);
}

/// Enter in the call-sign field: the call sign checked, the log searched for a duplicate (a
/// known station was worked already on this band and mode: the question is answered "Non"),
/// the memory searched, the cursor moved on. With `touched`, the log's times are moved before
/// each Enter, as another program (a backup, a synchronisation) may do: the log must then be
/// read again to know whether it changed.
void enterCallSign(benchmark::State &state, const Data *d, bool known, bool touched) {
    d->reset();
    Session s(false);
    s.open(d->dir->path());
    Samples samples;
    int i = 0;
    for (auto _ : state) {
        const QString call = known ? d->known.at(i % d->known.size()) : newCall(i);
        ++i;
        if (touched)
            d->touchLog();
        if (known)
            s.dialogs.setNextAnswer(false);
        const Stopwatch::time_point start = Stopwatch::now();
        s.type(call);
        s.enter();
        Session::settle();
        samples.add(state, secondsSince(start));

        const QString at = s.focusName();
        if (at != QLatin1String("Dpt_Q") && at != QLatin1String("Prenom_Q"))
            fail("Enter sur l'indicatif n'a pas conduit au champ suivant");
        if (known && s.window->Prenom_Q->text().isEmpty())
            fail("indicatif connu sans prénom");
        s.window->resetForNextQso();
        Session::settle();
    }
    s.checkNoMessage();
    if (known && int(s.dialogs.shown().size()) != i)
        fail("la question du doublon n'a pas été posée à chaque fois");
    samples.report(state);
}

void enterNewCall(benchmark::State &state, const Data *d) {
    enterCallSign(state, d, false, false);
}
void enterKnownCall(benchmark::State &state, const Data *d) {
    enterCallSign(state, d, true, false);
}
void enterNewCallLogTouched(benchmark::State &state, const Data *d) {
    enterCallSign(state, d, false, true);
}
void enterKnownCallLogTouched(benchmark::State &state, const Data *d) {
    enterCallSign(state, d, true, true);
}

enum class Station { New, Known, KnownRenamed };

/// A whole QSO: the call sign typed and Enter, the department and first name for a new
/// station (kept as found for a known one, or a first name changed), the reports and remarks
/// passed with Enter, then Space on "Validez"; timed until the window is ready for the next
/// call sign. The files are put back before each case only: the QSOs of one case add a few
/// dozen lines to 10,000 and 100,000, and each Enter meets the log as the last validation left
/// it, as in real use.
/// One QSO from the call sign to "Validez" pressed and the window ready again, timed; `i` is
/// the number of QSOs the session logged before it.
double oneQso(Session &s, const Data *d, Station station, int i) {
    const bool known = station != Station::New;
    const QString call = known ? d->known.at(i % d->known.size()) : newCall(i);
    if (known)
        s.dialogs.setNextAnswer(false);
    const Stopwatch::time_point start = Stopwatch::now();
    s.type(call);
    s.enter();
    if (s.focusName() == QLatin1String("Dpt_Q")) {
        if (known)
            s.enter();
        else
            s.replaceAndEnter(QStringLiteral("21"));
    }
    if (s.focusName() != QLatin1String("Prenom_Q"))
        fail("le prénom n'est pas demandé");
    if (station == Station::Known)
        s.enter();
    else
        s.replaceAndEnter(station == Station::New ? QStringLiteral("Jean")
                          : i % 2                 ? QStringLiteral("Anne")
                                                  : QStringLiteral("Paul"));
    s.enter();
    s.enter();
    s.enter();
    if (s.focusName() != QLatin1String("Valide_Q"))
        fail("Validez n'est pas atteint");
    s.press(Qt::Key_Space);
    Session::settle();
    const double seconds = secondsSince(start);
    if (!s.ready() || s.window->Num_Q->text() != QString::number(d->lines.log.size() + 2 + i))
        fail("le QSO n'a pas été enregistré");
    s.checkNoMessage();
    return seconds;
}

/// The operator's pace between two QSOs (not timed): the worker and the event loop have that
/// long to do what waits, as in real use.
void pause(std::chrono::milliseconds pace) {
    const Stopwatch::time_point until = Stopwatch::now() + pace;
    while (Stopwatch::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void validate(benchmark::State &state, const Data *d, Station station, bool isDouble) {
    d->reset();
    Session s(isDouble);
    s.open(d->dir->path());
    Samples samples;
    int i = 0;
    for (auto _ : state) {
        s.clock.advance(60);
        // The operator takes more than a few hundredths of a second between two QSOs: the
        // log's times have fallen behind by the next call sign, as in real use (not timed).
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        samples.add(state, oneQso(s, d, station, i++));
    }
    samples.report(state);
}

/// New stations one every 2 s, the window opened well before (its index made): what an
/// operator's every QSO costs, with the aids and without.
void validatePaced(benchmark::State &state, const Data *d, bool aids) {
    d->reset();
    Session s(false, aids);
    s.open(d->dir->path());
    if (aids && !QTest::qWaitFor([&s] { return s.window->Controle_Partiel->ready(); }, 60000))
        fail("l'index des indicatifs connus n'est pas fait");
    Samples samples;
    int i = 0;
    for (auto _ : state) {
        pause(std::chrono::milliseconds(2000));
        s.clock.advance(60);
        samples.add(state, oneQso(s, d, Station::New, i++));
    }
    samples.report(state);
    if (aids)
        state.counters["builds"] = s.window->Controle_Partiel->builds();
}
void validateEvery2sAidsOn(benchmark::State &state, const Data *d) {
    validatePaced(state, d, true);
}
void validateEvery2sAidsOff(benchmark::State &state, const Data *d) {
    validatePaced(state, d, false);
}

/// A burst of new stations, one every 60 ms, from the moment the window is open: the first
/// index is still being made during the first of them. Each round opens a new window (not
/// timed); `during_build` is the share of QSOs validated before the index arrived, and `builds`
/// the builds per round (one: the QSOs of the burst are given to the index as it arrives).
void validateBurst(benchmark::State &state, const Data *d, bool aids) {
    constexpr int perRound = 10;
    Samples samples;
    std::unique_ptr<Session> s;
    int i = 0, duringBuild = 0, rounds = 0, builds = 0;
    const auto closeRound = [&] {
        if (s && aids) {
            if (!QTest::qWaitFor([&s] { return s->window->Controle_Partiel->ready(); }, 60000))
                fail("l'index des indicatifs connus n'est pas fait");
            builds += s->window->Controle_Partiel->builds();
        }
        s.reset();
    };
    for (auto _ : state) {
        if (i % perRound == 0) {
            state.PauseTiming();
            closeRound();
            d->reset();
            d->forgetReadings();
            s = std::make_unique<Session>(false, aids);
            s->open(d->dir->path());
            ++rounds;
            state.ResumeTiming();
        }
        pause(std::chrono::milliseconds(60));
        s->clock.advance(60);
        if (aids && !s->window->Controle_Partiel->ready())
            ++duringBuild;
        samples.add(state, oneQso(*s, d, Station::New, i % perRound));
        ++i;
    }
    closeRound();
    samples.report(state);
    state.counters["during_build"] = i ? double(duringBuild) / i : 0.0;
    if (aids && rounds)
        state.counters["builds"] = double(builds) / rounds;
}
void validateBurstAidsOn(benchmark::State &state, const Data *d) {
    validateBurst(state, d, true);
}
void validateBurstAidsOff(benchmark::State &state, const Data *d) {
    validateBurst(state, d, false);
}

/// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

/// One key typed in the call-sign field, timed until both lists are filled and painted: the
/// operator types call signs a key at a time (the field emptied between two, not timed).
void keystroke(benchmark::State &state, const Data *d) {
    d->reset();
    Session s(false);
    s.open(d->dir->path());
    PartialCheckPanel *panel = s.window->Controle_Partiel;
    if (!QTest::qWaitFor([panel] { return panel->ready(); }, 60000))
        fail("l'index des indicatifs connus n'est pas fait");
    PaintCounter counter;
    panel->known()->viewport()->installEventFilter(&counter);
    panel->neighbours()->viewport()->installEventFilter(&counter);
    // Real calls of the memory, and texts found in thousands of calls.
    QStringList calls = {"F5", "DL1", "EA3", "9A", "W1AW"};
    for (int k = 0; k < 20; ++k)
        calls << d->known.at(k * 7 % d->known.size());
    Samples samples;
    int key = 0, shown = 0, call = 0;
    for (auto _ : state) {
        const QString &text = calls.at(call % calls.size());
        const Stopwatch::time_point start = Stopwatch::now();
        QTest::keyClick(s.window->Indi_Q, text.at(key).toLatin1());
        Session::settle();
        samples.add(state, secondsSince(start));
        shown += panel->known()->count() + panel->neighbours()->count();
        if (++key == text.size()) {
            key = 0;
            ++call;
            s.window->Indi_Q->clear();
            Session::settle();
        }
    }
    if (counter.paints == 0 || shown == 0)
        fail("les listes ne sont pas dessinées");
    samples.report(state);
    state.counters["paints"] = counter.paints;
}

void validateNewSingle(benchmark::State &state, const Data *d) {
    validate(state, d, Station::New, false);
}
void validateKnownSingle(benchmark::State &state, const Data *d) {
    validate(state, d, Station::Known, false);
}
void validateRenamedSingle(benchmark::State &state, const Data *d) {
    validate(state, d, Station::KnownRenamed, false);
}
void validateNewDouble(benchmark::State &state, const Data *d) {
    validate(state, d, Station::New, true);
}
void validateKnownDouble(benchmark::State &state, const Data *d) {
    validate(state, d, Station::Known, true);
}

/// A correction: a QSO in the middle of the log chosen in the list, "Editer un QSO", its remarks
/// changed, "Validez"; timed until the window is ready for the next call sign. The log is
/// rewritten in place each time (the remarks alternate, so the line always changes).
void correctQso(benchmark::State &state, const Data *d) {
    d->reset();
    Session s(false);
    s.open(d->dir->path());
    Samples samples;
    int i = 0;
    for (auto _ : state) {
        const int row = s.window->Liste_QSO->count() / 2;
        const Stopwatch::time_point start = Stopwatch::now();
        s.window->Liste_QSO->setCurrentRow(row);
        s.window->Edite_QSO->click();
        // Enter through the fields as the operator does, the remarks retyped on the way.
        for (int k = 0; k < 12 && s.focusName() != QLatin1String("Valide_Q"); ++k) {
            if (s.focusName() == QLatin1String("Observation_Q"))
                s.replaceAndEnter(i % 2 ? QStringLiteral("QRP 4W") : QStringLiteral("QRP 3W"));
            else
                s.enter();
        }
        ++i;
        if (s.focusName() != QLatin1String("Valide_Q"))
            fail("Validez n'est pas atteint");
        s.press(Qt::Key_Space);
        Session::settle();
        samples.add(state, secondsSince(start));
        if (!s.window->Liste_QSO->itemText(row).contains(i % 2 ? QStringLiteral("QRP 3W")
                                                               : QStringLiteral("QRP 4W")))
            fail("la correction n'a pas été enregistrée");
        s.checkNoMessage();
    }
    samples.report(state);
}

void sizes(const Data &d, const char *where) {
    std::printf("%s : journal %lld octets (%d QSO), mémoire des prénoms %lld octets (%d "
                "indicatifs)\n",
                where, QFileInfo(d.logPath).size(), int(d.lines.log.size()),
                QFileInfo(d.memoryPath).size(), memorySize);
}

using Case = void (*)(benchmark::State &, const Data *);

/// One case under its name and the data's ("open_window/disk/100k"), each operation timed by
/// the case itself.
void registerCase(const char *name, const char *where, Case fn, const Data *d, int iterations) {
    benchmark::RegisterBenchmark((std::string(name) + "/" + where).c_str(), fn, d)
        ->UseManualTime()
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond);
}

void registerAll(const char *where, const Data *d) {
    const auto add = [&](const char *name, Case fn, int iterations) {
        registerCase(name, where, fn, d, iterations);
    };
    add("open_window", openWindow, 15);
    add("open_window/aids_off", openWindowAidsOff, 15);
    add("enter_call_sign/new", enterNewCall, 40);
    add("enter_call_sign/known_duplicate", enterKnownCall, 40);
    add("enter_call_sign/new/log_touched", enterNewCallLogTouched, 40);
    add("enter_call_sign/known_duplicate/log_touched", enterKnownCallLogTouched, 40);
    add("validate_qso/new/single", validateNewSingle, 25);
    add("validate_qso/known/single", validateKnownSingle, 25);
    add("validate_qso/known_first_name_changed/single", validateRenamedSingle, 25);
    add("validate_qso/new/double", validateNewDouble, 25);
    add("validate_qso/known/double", validateKnownDouble, 25);
    add("correct_qso", correctQso, 25);
}

/// The aids weighed at an operator's pace and in a burst, and each key typed: on the disk only,
/// these take their time.
void registerAids(const char *where, const Data *d) {
    const auto add = [&](const char *name, Case fn, int iterations) {
        registerCase(name, where, fn, d, iterations);
    };
    add("keystroke_call_sign/lists_painted", keystroke, 200);
    add("validate_qso/new/every_2s/aids_on", validateEvery2sAidsOn, 12);
    add("validate_qso/new/every_2s/aids_off", validateEvery2sAidsOff, 12);
    add("validate_qso/new/burst_60ms_first_build/aids_on", validateBurstAidsOn, 30);
    add("validate_qso/new/burst_60ms_first_build/aids_off", validateBurstAidsOff, 30);
}

} // namespace

int main(int argc, char **argv) {
    // Headless: the window is drawn offscreen, whatever display the shell has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quietOffscreenPlatform();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QString diskRoot = qEnvironmentVariable("ZEP_BENCH_DISK", QDir::tempPath());
    const QString tmpfsRoot = qEnvironmentVariable("ZEP_BENCH_TMPFS", QStringLiteral("/dev/shm"));
    // Each case at both log sizes: "10k" is one busy activation, "100k" one reference's log
    // kept over years.
    const Lines made(logSize);
    const Lines large(largeLogSize);
    std::vector<std::unique_ptr<Data>> data;
    const bool tmpfs = QFileInfo(tmpfsRoot).isDir() && QFileInfo(tmpfsRoot).isWritable();
    for (const auto &[lines, label] : {std::pair{&made, "10k"}, std::pair{&large, "100k"}}) {
        data.push_back(std::make_unique<Data>(diskRoot, *lines));
        sizes(*data.back(), "disque");
        registerAll((std::string("disk/") + label).c_str(), data.back().get());
        registerAids((std::string("disk/") + label).c_str(), data.back().get());
        if (tmpfs) {
            data.push_back(std::make_unique<Data>(tmpfsRoot, *lines));
            registerAll((std::string("tmpfs/") + label).c_str(), data.back().get());
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
