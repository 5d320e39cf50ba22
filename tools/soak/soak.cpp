// A day in the field, in fast motion, against the real program: an activation of two
// references (a double activation) typed QSO after QSO through the soak driver (SoakDriver.cpp,
// loaded into the program), at activation pace: bursts of one QSO every 60 ms, the pauses
// between them shortened. At moments drawn from a seed it prints, the run installs MASTER.SCP,
// pulls the backup medium out and brings it back, imports an ADIF file and takes it out again,
// corrects and deletes QSOs (some of them undone), kills the radio helper and kills the whole
// program with SIGKILL, then starts it again.
//
// The run keeps its own account of what was validated. After every restart, and at the end, the
// files are compared with it: no QSO lost but the one being typed at a kill, every file whole
// (lines of 104 columns ending in CR LF), the second log equal to the first, the backup copy
// equal to the data, MASTER.SCP the list installed last. It prints a report and exits 0 only
// when nothing was lost and no file was damaged.
//
//   zep-soak --program PATH --driver PATH [--qsos 5000] [--kills 20] [--helper-kills 10]
//            [--seed N] [--keep]

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr int lineLength = 104;
constexpr int callColumn = 18, callWidth = 12;
constexpr int nameColumn = 36, nameWidth = 15;
const QString firstReference = QStringLiteral("DFCF-76-054");
const QString secondReference = QStringLiteral("DIFI-76-001");

struct Options {
    QString program, driver;
    int qsos = 5000;
    int kills = 20;
    int helperKills = 10;
    int scpInstalls = 2;
    int corrections = 12;
    int deletions = 12;
    quint32 seed = 0;
    bool keep = false;
};

std::optional<Options> readOptions(const QStringList &args) {
    Options o;
    o.seed = QRandomGenerator::system()->generate();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const auto next = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--program"))
            o.program = next();
        else if (a == QLatin1String("--driver"))
            o.driver = next();
        else if (a == QLatin1String("--qsos"))
            o.qsos = next().toInt();
        else if (a == QLatin1String("--kills"))
            o.kills = next().toInt();
        else if (a == QLatin1String("--helper-kills"))
            o.helperKills = next().toInt();
        else if (a == QLatin1String("--corrections"))
            o.corrections = next().toInt();
        else if (a == QLatin1String("--deletions"))
            o.deletions = next().toInt();
        else if (a == QLatin1String("--seed"))
            o.seed = next().toUInt();
        else if (a == QLatin1String("--keep"))
            o.keep = true;
        else
            return std::nullopt;
    }
    if (o.program.isEmpty() || o.driver.isEmpty() || o.qsos < 10)
        return std::nullopt;
    return o;
}

/// One QSO as the run typed it.
struct Qso {
    QString call, dept, name;
    bool maybe = false; ///< being typed when the program was killed: may or may not be there
};

/// What the run found wrong, counted by kind, with the first examples.
struct Faults {
    std::map<QString, int> counts;
    QStringList examples;
    int total() const {
        int n = 0;
        for (const auto &[kind, count] : counts)
            n += count;
        return n;
    }
    void add(const QString &kind, const QString &detail) {
        ++counts[kind];
        if (examples.size() < 20)
            examples << kind + QStringLiteral(": ") + detail;
    }
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

/// The real program with the driver loaded, read line by line.
class Program {
public:
    Program(const Options &o, const QString &home, const QString &dataDir)
        : options_(o), home_(home), dataDir_(dataDir) {}
    ~Program() { kill(); }

    bool start() {
        process_ = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), home_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_ + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_ + QStringLiteral("/share"));
        env.insert(QStringLiteral("LD_PRELOAD"), options_.driver);
        process_->setProcessEnvironment(env);
        process_->setStandardErrorFile(home_ + QStringLiteral("/program-errors.txt"),
                                       QIODevice::Append);
        process_->start(options_.program, {QStringLiteral("--dir"), dataDir_});
        if (!process_->waitForStarted(10000))
            return false;
        return waitFor(QStringLiteral("ready"), 30000).has_value();
    }

    qint64 pid() const { return process_ ? process_->processId() : 0; }

    void kill() {
        if (!process_ || process_->state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process_->processId()), SIGKILL);
        process_->waitForFinished(10000);
    }

    void send(const QString &command) {
        note(QStringLiteral("> ") + command);
        process_->write((command + QLatin1Char('\n')).toUtf8());
        process_->waitForBytesWritten(1000);
    }

    /// Sends a command and waits for its answer: "ok", or what went wrong.
    QString command(const QString &command, int timeoutMs = 60000) {
        send(command);
        const std::optional<QString> answer = waitForEnd(command, timeoutMs);
        return answer ? *answer : QStringLiteral("no-answer");
    }

    /// Every message box the program showed since the last call.
    QStringList takeBoxes() { return std::exchange(boxes_, {}); }

    /// Reads what came until a line "@soak <word> <command>" arrives; its first word.
    std::optional<QString> waitForEnd(const QString &command, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            while (!lines_.isEmpty()) {
                const QString line = lines_.takeFirst();
                const qsizetype blank = line.indexOf(QLatin1Char(' '));
                if (blank > 0 && line.mid(blank + 1) == command)
                    return line.left(blank);
            }
            if (!readMore(int(std::max<qint64>(1, timeoutMs - t.elapsed()))))
                return std::nullopt;
        }
        return std::nullopt;
    }

    std::optional<QString> waitFor(const QString &word, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            while (!lines_.isEmpty()) {
                const QString line = lines_.takeFirst();
                if (line == word)
                    return line;
            }
            if (!readMore(int(std::max<qint64>(1, timeoutMs - t.elapsed()))))
                return std::nullopt;
        }
        return std::nullopt;
    }

    /// Reads the boxes shown meanwhile, for `ms` milliseconds at most.
    void drain(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && readMore(int(ms - t.elapsed()))) {
        }
    }

    /// A line of the run's transcript (transcript.txt beside the data, kept with the files).
    void note(const QString &line) {
        if (!transcript_.isOpen()) {
            transcript_.setFileName(home_ + QStringLiteral("/transcript.txt"));
            if (!transcript_.open(QIODevice::Append))
                return;
        }
        transcript_.write(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")).toUtf8() +
                          line.toUtf8() + '\n');
    }

private:
    bool readMore(int timeoutMs) {
        if (!process_ || process_->state() == QProcess::NotRunning)
            return false;
        if (!process_->canReadLine() && !process_->waitForReadyRead(timeoutMs))
            return process_->state() != QProcess::NotRunning;
        while (process_->canReadLine()) {
            const QString line = QString::fromUtf8(process_->readLine()).trimmed();
            if (!line.startsWith(QLatin1String("@soak ")))
                continue;
            const QString said = line.mid(6);
            note(QStringLiteral("< ") + said);
            if (said.startsWith(QLatin1String("box ")))
                boxes_ << said.mid(4);
            else
                lines_ << said;
        }
        return true;
    }

    const Options &options_;
    QString home_, dataDir_;
    std::unique_ptr<QProcess> process_;
    QStringList lines_, boxes_;
    QFile transcript_;
};

/// The children of `parent` whose command name starts with `name`.
QList<qint64> childrenNamed(qint64 parent, const QByteArray &name) {
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        const qsizetype open = stat.indexOf('(');
        if (close < 0 || open < 0)
            continue;
        const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == parent &&
            stat.mid(open + 1, close - open - 1).startsWith(name))
            found << pid;
    }
    return found;
}

/// The QSO lines of a log; `whole` false when a line is not 104 columns or the file does not
/// end with CR LF.
QList<QByteArray> logLines(const QByteArray &bytes, bool *whole) {
    *whole = bytes.isEmpty() || bytes.endsWith("\r\n");
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            *whole = false;
        else
            line.chop(1);
        if (line.size() != lineLength)
            *whole = false;
    }
    return lines;
}

QString columnText(const QByteArray &line, int column, int width) {
    return QString::fromLatin1(line.mid(column - 1, width)).trimmed();
}

class Soak {
public:
    explicit Soak(const Options &o) : o_(o), random_(o.seed) {}

    int run();

private:
    QString path(const QString &name) const { return QDir(dataDir_).filePath(name); }
    QString logPath(const QString &reference) const { return path(reference + ".txt"); }

    void prepareHome();
    bool startProgram();
    void plan();
    Qso nextQso();
    /// The account checked against the first log: losses and damage counted, the QSO being
    /// typed at a kill settled one way or the other.
    void reconcile(const QString &when);
    void typeQso(bool killWhileTyping);
    void killProgram(bool whileTyping);
    void killHelper();
    void installScp();
    void pullMedium(bool out);
    void importAndUndo();
    void correctLast(bool undo);
    void deleteLast(bool undo);
    void finalChecks();
    void noteBoxes();
    void waitForExpectedBoxes(int ms);
    void report(qint64 ms) const;

    Options o_;
    QRandomGenerator random_;
    std::unique_ptr<QTemporaryDir> home_;
    QString dataDir_, mediumDir_;
    std::unique_ptr<Program> program_;
    std::vector<Qso> account_;
    std::multimap<int, QString> events_; ///< QSO index -> event before it
    Faults faults_;
    QStringList expectedBoxes_;
    QByteArray lastScp_;
    int typed_ = 0, kills_ = 0, helperKills_ = 0, helperRestarts_ = 0, lost_ = 0;
    int maybeKept_ = 0, maybeGone_ = 0, imports_ = 0, corrections_ = 0, deletions_ = 0;
    int undone_ = 0, scpInstalls_ = 0, mediumPulls_ = 0, reportsRetyped_ = 0;
    int serial_ = 0;
};

void Soak::prepareHome() {
    home_ =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("zep-soak-XXXXXX")));
    home_->setAutoRemove(!o_.keep);
    const QDir home(home_->path());
    home.mkpath(QStringLiteral("data"));
    home.mkpath(QStringLiteral("medium/copie"));
    dataDir_ = home.filePath(QStringLiteral("data"));
    mediumDir_ = home.filePath(QStringLiteral("medium/copie"));
    // The settings as the operator left them: the backup medium, and a radio on the computer
    // (Hamlib's dummy radio, read by the radio helper).
    QSettings ini(home.filePath(QStringLiteral("config/Riduzazur/Riduzazur.ini")),
                  QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Setup "));
    ini.setValue(QStringLiteral("Dossier de sauvegarde"), mediumDir_);
    ini.setValue(QStringLiteral("CAT Liaison"), QStringLiteral("2"));
    ini.setValue(QStringLiteral("CAT Modele"), QStringLiteral("1"));
    ini.endGroup();
    ini.sync();
}

bool Soak::startProgram() {
    program_ = std::make_unique<Program>(o_, home_->path(), dataDir_);
    if (!program_->start()) {
        faults_.add(QStringLiteral("start"), QStringLiteral("the program did not come up"));
        return false;
    }
    const QString opened =
        program_->command(QStringLiteral("open %1 %2").arg(firstReference, secondReference));
    if (opened != QLatin1String("ok")) {
        faults_.add(QStringLiteral("start"), QStringLiteral("activation not opened: ") + opened);
        return false;
    }
    return true;
}

void Soak::plan() {
    // Events land between QSOs, never in the first ten (the activation is being opened).
    const auto at = [this] { return 10 + int(random_.bounded(o_.qsos - 10)); };
    for (int i = 0; i < o_.kills; ++i)
        events_.emplace(at(), QStringLiteral("kill"));
    for (int i = 0; i < o_.helperKills; ++i)
        events_.emplace(at(), QStringLiteral("helper"));
    for (int i = 0; i < o_.scpInstalls; ++i)
        events_.emplace(at(), QStringLiteral("scp"));
    for (int i = 0; i < o_.corrections; ++i)
        events_.emplace(at(), QStringLiteral("correct"));
    for (int i = 0; i < o_.deletions; ++i)
        events_.emplace(at(), QStringLiteral("delete"));
    events_.emplace(at(), QStringLiteral("import"));
    // The medium stays out for a tenth of the run.
    const int out = 10 + int(random_.bounded(o_.qsos * 8 / 10));
    events_.emplace(out, QStringLiteral("medium-out"));
    events_.emplace(std::min(o_.qsos - 1, out + std::max(5, o_.qsos / 10)),
                    QStringLiteral("medium-back"));
}

Qso Soak::nextQso() {
    // Call signs the run never repeats: a prefix, a digit and a serial in letters.
    static const char *const prefixes[] = {"F", "ON", "DL", "EA", "G", "I", "HB9", "OE"};
    static const char *const names[] = {"JEAN", "MARIE", "PAUL", "LUC", "ANNE", "HANS", "ERIC"};
    const int n = serial_++;
    const QString prefix = QLatin1String(prefixes[n % 8]);
    QString letters;
    for (int k = n / 8, i = 0; i < 3; ++i, k /= 26)
        letters.prepend(QChar('A' + k % 26));
    Qso q;
    q.call = prefix + QString::number(n / 8 / 17576 % 10) + letters;
    q.dept = prefix == QLatin1String("F") ? QStringLiteral("%1").arg(1 + n % 95, 2, 10, QChar('0'))
                                          : QStringLiteral("-");
    q.name = QLatin1String(names[n % 7]);
    return q;
}

void Soak::typeQso(bool killWhileTyping) {
    Qso q = nextQso();
    const QString command = QStringLiteral("qso %1 %2 %3").arg(q.call, q.dept, q.name);
    if (killWhileTyping) {
        // A MASTER.SCP install under way is let finish first: the kill is for the QSO.
        waitForExpectedBoxes(10000);
        program_->send(command);
        // Somewhere in the keys of the QSO, or just after its validation.
        QThread::usleep(random_.bounded(60) * 1000);
        q.maybe = true;
        account_.push_back(q);
        killProgram(true);
        return;
    }
    const QString answer = program_->command(command);
    ++typed_;
    if (answer != QLatin1String("ok")) {
        faults_.add(QStringLiteral("entry"), command + QStringLiteral(" -> ") + answer);
        q.maybe = true; // the window refused it part way: settled at the next comparison
        account_.push_back(q);
        reconcile(QStringLiteral("after a refused QSO"));
        return;
    }
    account_.push_back(q);
}

void Soak::reconcile(const QString &when) {
    bool whole = true;
    const QList<QByteArray> lines = logLines(readAll(logPath(firstReference)), &whole);
    if (!whole)
        faults_.add(QStringLiteral("damaged log"), when);
    std::vector<Qso> settled;
    qsizetype at = 0;
    for (const Qso &q : account_) {
        const bool here =
            at < lines.size() && columnText(lines[at], callColumn, callWidth) == q.call;
        if (here) {
            if (!q.maybe && columnText(lines[at], nameColumn, nameWidth) != q.name)
                faults_.add(QStringLiteral("wrong first name"),
                            q.call + QStringLiteral(" ") + when);
            if (q.maybe)
                ++maybeKept_;
            Qso kept = q;
            if (q.maybe)
                kept.name = columnText(lines[at], nameColumn, nameWidth);
            kept.maybe = false;
            settled.push_back(kept);
            ++at;
        } else if (q.maybe) {
            ++maybeGone_;
        } else {
            ++lost_;
            faults_.add(QStringLiteral("lost QSO"), q.call + QStringLiteral(" ") + when);
        }
    }
    for (; at < lines.size(); ++at)
        faults_.add(QStringLiteral("QSO never validated"),
                    columnText(lines[at], callColumn, callWidth) + QStringLiteral(" ") + when);
    account_ = std::move(settled);
}

void Soak::killProgram(bool whileTyping) {
    program_->kill();
    ++kills_;
    noteBoxes();
    if (!startProgram())
        return;
    reconcile(QStringLiteral("after kill %1%2")
                  .arg(kills_)
                  .arg(whileTyping ? QStringLiteral(" (while typing)") : QString()));
}

void Soak::killHelper() {
    const QList<qint64> helpers = childrenNamed(program_->pid(), "zep-rozadovev-p");
    if (helpers.isEmpty()) {
        faults_.add(QStringLiteral("radio helper"), QStringLiteral("not running when looked for"));
        return;
    }
    ::kill(pid_t(helpers.front()), SIGKILL);
    ++helperKills_;
    // The program starts it again after its back-off; QSOs go on meanwhile.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
        const QList<qint64> now = childrenNamed(program_->pid(), "zep-rozadovev-p");
        if (!now.isEmpty() && now.front() != helpers.front()) {
            ++helperRestarts_;
            return;
        }
        typeQso(false);
        QThread::msleep(60);
    }
    faults_.add(QStringLiteral("radio helper"), QStringLiteral("not started again within 15 s"));
}

void Soak::installScp() {
    QByteArray list = "# soak\n";
    const int calls = 2000 + int(random_.bounded(3000));
    for (int i = 0; i < calls; ++i)
        list += QStringLiteral("F%1S%2\n")
                    .arg(i % 10)
                    .arg(i, 4, 26)
                    .toUpper()
                    .replace(' ', 'A')
                    .toLatin1();
    const QString file =
        QDir(home_->path()).filePath(QStringLiteral("MASTER-%1.SCP").arg(scpInstalls_));
    writeAll(file, list);
    // Installed on the program's worker while the QSOs go on; the menu item waits while an
    // earlier install is still under way.
    QString answer;
    for (int tries = 0; tries < 20; ++tries) {
        answer = program_->command(QStringLiteral("scp ") + file);
        if (answer != QLatin1String("fail-disabled"))
            break;
        program_->drain(250);
    }
    if (answer != QLatin1String("ok"))
        faults_.add(QStringLiteral("MASTER.SCP"), answer);
    else {
        ++scpInstalls_;
        lastScp_ = list.mid(0);
        expectedBoxes_ << QStringLiteral("MASTER.SCP est mis à jour.");
    }
}

void Soak::pullMedium(bool out) {
    const QString away = mediumDir_ + QStringLiteral(".retire");
    if (out) {
        // A file where the folder was: every write to the copy fails, as on a medium pulled
        // out (the run works as root, for whom a read-only folder is still writable).
        QDir().rename(mediumDir_, away);
        writeAll(mediumDir_, "support retire\n");
        ++mediumPulls_;
    } else {
        QFile::remove(mediumDir_);
        QDir().rename(away, mediumDir_);
    }
}

void Soak::importAndUndo() {
    // QSOs of the day before, of stations the run never types.
    const QString day =
        QDateTime::currentDateTimeUtc().addDays(-1).toString(QStringLiteral("yyyyMMdd"));
    QByteArray adif = "Soak\n<EOH>\n";
    for (int i = 0; i < 25; ++i)
        adif +=
            QStringLiteral("<CALL:6>OZ%1<QSO_DATE:8>%2<TIME_ON:4>%3<BAND:3>40m<MODE:3>SSB<EOR>\n")
                .arg(1000 + i)
                .arg(day)
                .arg(1000 + i, 4, 10, QChar('0'))
                .toLatin1();
    const QString file = QDir(home_->path()).filePath(QStringLiteral("autre.adi"));
    writeAll(file, adif);
    const QString answer = program_->command(QStringLiteral("import ") + file);
    if (answer != QLatin1String("ok")) {
        faults_.add(QStringLiteral("import"), answer);
        return;
    }
    ++imports_;
    bool whole = true;
    const int lines = int(logLines(readAll(logPath(firstReference)), &whole).size());
    if (lines != int(account_.size()) + 25)
        faults_.add(QStringLiteral("import"),
                    QStringLiteral("%1 lines after the import of 25 to %2")
                        .arg(lines)
                        .arg(account_.size()));
    if (program_->command(QStringLiteral("undo")) != QLatin1String("ok"))
        faults_.add(QStringLiteral("import"), QStringLiteral("undo refused"));
    else
        ++undone_;
    reconcile(QStringLiteral("after the import undone"));
}

void Soak::correctLast(bool undo) {
    if (account_.empty())
        return;
    const QString before = account_.back().name;
    const QString name = QStringLiteral("CORR%1").arg(corrections_);
    if (program_->command(QStringLiteral("edit ") + name) != QLatin1String("ok")) {
        faults_.add(QStringLiteral("correction"), QStringLiteral("refused"));
        return;
    }
    ++corrections_;
    account_.back().name = name;
    if (undo) {
        if (program_->command(QStringLiteral("undo")) == QLatin1String("ok")) {
            account_.back().name = before;
            ++undone_;
        } else
            faults_.add(QStringLiteral("correction"), QStringLiteral("undo refused"));
    }
    reconcile(QStringLiteral("after a correction"));
}

void Soak::deleteLast(bool undo) {
    if (account_.empty())
        return;
    if (program_->command(QStringLiteral("delete")) != QLatin1String("ok")) {
        faults_.add(QStringLiteral("deletion"), QStringLiteral("refused"));
        return;
    }
    ++deletions_;
    const Qso gone = account_.back();
    account_.pop_back();
    if (undo) {
        if (program_->command(QStringLiteral("undo")) == QLatin1String("ok")) {
            account_.push_back(gone);
            ++undone_;
        } else
            faults_.add(QStringLiteral("deletion"), QStringLiteral("undo refused"));
    }
    reconcile(QStringLiteral("after a deletion"));
}

void Soak::noteBoxes() {
    static const QStringList expected = {QStringLiteral("Voulez vous effacer le QSO avec"),
                                         QStringLiteral("QSO importé(s)"),
                                         QStringLiteral("MASTER.SCP est mis à jour."),
                                         QStringLiteral("Enregistrer "),
                                         QStringLiteral("Nouvelle Activation"),
                                         QStringLiteral("Activation en cours")};
    for (const QString &box : program_->takeBoxes()) {
        if (std::any_of(expected.cbegin(), expected.cend(),
                        [&box](const QString &e) { return box.contains(e); })) {
            expectedBoxes_.removeOne(box);
            continue;
        }
        // A report typed again for the mode the radio switched to (see the driver).
        if (box.contains(QStringLiteral("report"))) {
            ++reportsRetyped_;
            continue;
        }
        // The backup copy says once that it failed: expected while the medium is out.
        if (box.contains(QStringLiteral("sauvegarde"), Qt::CaseInsensitive) ||
            box.contains(QStringLiteral("copie"), Qt::CaseInsensitive))
            continue;
        faults_.add(QStringLiteral("unexpected message"), box);
    }
}

void Soak::waitForExpectedBoxes(int ms) {
    QElapsedTimer t;
    t.start();
    while (!expectedBoxes_.isEmpty() && t.elapsed() < ms) {
        program_->drain(100);
        noteBoxes();
    }
}

void Soak::finalChecks() {
    waitForExpectedBoxes(10000);
    // One last QSO: the second log is made a copy of the first after each QSO entered.
    typeQso(false);
    program_->drain(500);
    noteBoxes();
    reconcile(QStringLiteral("at the end"));

    const QByteArray first = readAll(logPath(firstReference));
    if (readAll(logPath(secondReference)) != first)
        faults_.add(QStringLiteral("second log"), QStringLiteral("differs from the first"));
    bool whole = true;
    logLines(readAll(logPath(secondReference)), &whole);
    if (!whole)
        faults_.add(QStringLiteral("damaged log"), QStringLiteral("second log"));
    if (scpInstalls_ > 0 && readAll(path(QStringLiteral("MASTER.SCP"))) != lastScp_)
        faults_.add(QStringLiteral("MASTER.SCP"), QStringLiteral("not the list installed last"));
    const QByteArray names = readAll(path(QStringLiteral("Liste_Prenom.txt")));
    if (!names.isEmpty() && !names.endsWith("\r\n"))
        faults_.add(QStringLiteral("damaged file"), QStringLiteral("Liste_Prenom.txt"));

    // The copy catches up within its retry period once the medium is back.
    const QStringList copied = {firstReference + ".txt", secondReference + ".txt",
                                QStringLiteral("Liste_Prenom.txt"),
                                QStringLiteral("Liste_Activite.txt")};
    QStringList behind;
    QElapsedTimer t;
    t.start();
    do {
        behind.clear();
        for (const QString &name : copied)
            if (readAll(QDir(mediumDir_).filePath(name)) != readAll(path(name)))
                behind << name;
        if (behind.isEmpty())
            break;
        QThread::msleep(250);
    } while (t.elapsed() < 20000);
    for (const QString &name : behind)
        faults_.add(QStringLiteral("backup copy"), name + QStringLiteral(" differs from the data"));
    for (const QString &box : expectedBoxes_)
        faults_.add(QStringLiteral("message never shown"), box);
}

void Soak::report(qint64 ms) const {
    std::printf("\nRapport de l'essai longue durée (graine %u)\n", o_.seed);
    std::printf("  QSO saisis : %d (dans le log à la fin : %zu)\n", typed_, account_.size());
    std::printf("  programme tué (SIGKILL) : %d, dont QSO en cours de frappe gardé %d / "
                "perdu %d\n",
                kills_, maybeKept_, maybeGone_);
    std::printf("  programme du poste tué : %d, redémarré %d\n", helperKills_, helperRestarts_);
    std::printf("  MASTER.SCP installé : %d ; support de sauvegarde retiré et remis : %d\n",
                scpInstalls_, mediumPulls_);
    std::printf("  import ADIF annulé : %d ; corrections : %d ; suppressions : %d ; "
                "annulations : %d\n",
                imports_, corrections_, deletions_, undone_);
    std::printf("  reports retapés après un changement de mode du poste : %d\n", reportsRetyped_);
    std::printf("  QSO perdus : %d ; défauts : %d\n", lost_, faults_.total());
    for (const auto &[kind, count] : faults_.counts)
        std::printf("    %s : %d\n", qPrintable(kind), count);
    for (const QString &e : faults_.examples)
        std::printf("    - %s\n", qPrintable(e));
    std::printf("  durée : %.1f s\n", double(ms) / 1000.0);
    if (o_.keep)
        std::printf("  fichiers gardés dans %s\n", qPrintable(home_->path()));
}

int Soak::run() {
    std::printf("graine %u : %d QSO, %d arrêts du programme, %d du programme du poste\n", o_.seed,
                o_.qsos, o_.kills, o_.helperKills);
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    prepareHome();
    plan();
    if (!startProgram()) {
        report(clock.elapsed());
        return 1;
    }
    int burst = 0;
    for (int i = 0; i < o_.qsos; ++i) {
        for (auto [e, end] = events_.equal_range(i); e != end; ++e) {
            const QString &what = e->second;
            program_->note(QStringLiteral("# ") + what);
            if (what == QLatin1String("kill"))
                typeQso(true);
            else if (what == QLatin1String("helper"))
                killHelper();
            else if (what == QLatin1String("scp"))
                installScp();
            else if (what == QLatin1String("medium-out"))
                pullMedium(true);
            else if (what == QLatin1String("medium-back"))
                pullMedium(false);
            else if (what == QLatin1String("import"))
                importAndUndo();
            else if (what == QLatin1String("correct"))
                correctLast(random_.bounded(2) == 0);
            else if (what == QLatin1String("delete"))
                deleteLast(random_.bounded(2) == 0);
        }
        QElapsedTimer pace;
        pace.start();
        typeQso(false);
        noteBoxes();
        // Bursts of one QSO every 60 ms; the pauses of minutes between them pass in 300 ms.
        if (--burst <= 0) {
            burst = 5 + int(random_.bounded(40));
            QThread::msleep(300);
        } else if (pace.elapsed() < 60) {
            QThread::msleep(60 - pace.elapsed());
        }
        if (i % 500 == 499) {
            std::printf("  %d QSO, %lld s\n", i + 1, clock.elapsed() / 1000);
            std::fflush(stdout);
        }
    }
    finalChecks();
    program_.reset();
    // The files of a run that found something stay for a look.
    if (lost_ > 0 || faults_.total() > 0) {
        home_->setAutoRemove(false);
        o_.keep = true;
    }
    report(clock.elapsed());
    return lost_ == 0 && faults_.total() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = readOptions(app.arguments());
    if (!options) {
        std::fprintf(stderr, "usage : zep-soak --program PROGRAMME --driver PILOTE.so [--qsos N] "
                             "[--kills N] [--helper-kills N] [--corrections N] [--deletions N] "
                             "[--seed N] [--keep]\n");
        return 2;
    }
    Soak soak(*options);
    return soak.run();
}
