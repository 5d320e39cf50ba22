#pragma once

#include "core/aids/FirstNames.h"
#include "core/log/LogJournal.h"
#include "core/log/OperatorTally.h"
#include "core/log/QsoRate.h"
#include "core/reports/Statistics.h"

#include <QObject>
#include <QString>

#include <memory>

class QThread;

namespace zep {

/// What the entry window keeps of its log between two QSOs: the operators, the departments,
/// the rate and the call signs for the duplicate search. Each follows the log by its changes;
/// only a log met for the first time (the window's opening, another activation) is counted
/// whole.
struct LogFollowers {
    OperatorTally operators;
    DepartmentTally departments;
    RateFollower rate;
    DuplicateFinder duplicates;
};

/// Counts a whole log for the entry window on a worker thread: on a log of years the counts
/// take several times what the window's opening may, so the window opens and paints with the
/// list of QSOs and takes the counts when they are made. What it replaces is freed on a worker
/// too. A small log is counted on the window's thread as before: it costs less than a frame.
class LogCounter : public QObject {
    Q_OBJECT
public:
    /// Logs of at least this many lines are counted on the worker.
    static constexpr qsizetype inBackgroundFrom = 5000;

    explicit LogCounter(QObject *parent = nullptr);
    /// Waits for a count under way (a few hundredths of a second at most).
    ~LogCounter() override;

    /// Counts the lines of `log` (the log at `path`) unless a count is under way.
    void start(const QString &path, const LogReading &log);
    bool running() const { return worker_ != nullptr; }
    /// Counts started since the counter was made.
    int started() const { return started_; }

    /// The followers made by the last count (once), and the log they were made for.
    std::unique_ptr<LogFollowers> take() { return std::move(made_); }
    const QString &path() const { return madePath_; }

    /// Frees `followers` on a worker thread: those of a log of years hold some megabytes.
    static void release(std::unique_ptr<LogFollowers> followers);

signals:
    /// A count ended: take() gives its followers.
    void counted();

private:
    QThread *worker_ = nullptr;
    QString countingPath_, madePath_;
    std::unique_ptr<LogFollowers> made_;
    int started_ = 0;
};

} // namespace zep
