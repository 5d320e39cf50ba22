#include "entry/LogCounter.h"

#include <QThread>
#include <QThreadPool>

namespace zep {

LogCounter::LogCounter(QObject *parent) : QObject(parent) {}

LogCounter::~LogCounter() {
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
    release(std::move(made_));
}

void LogCounter::start(const QString &path, const LogReading &log) {
    if (worker_)
        return;
    ++started_;
    countingPath_ = path;
    // The lines are shared with the log's reading, never changed: a QSO added meanwhile makes
    // the log a copy of its own.
    auto made = std::make_shared<std::unique_ptr<LogFollowers>>();
    worker_ = QThread::create([made, reading = LogReading{log.lines, log.version, {}}] {
        auto followers = std::make_unique<LogFollowers>();
        followers->operators.count(reading);
        followers->departments.update(reading);
        followers->rate.follow(reading);
        followers->duplicates.follow(reading);
        *made = std::move(followers);
    });
    worker_->setObjectName(QStringLiteral("Comptes du journal"));
    connect(worker_, &QThread::finished, this, [this, made] {
        worker_->deleteLater();
        worker_ = nullptr;
        release(std::move(made_));
        made_ = std::move(*made);
        madePath_ = countingPath_;
        emit counted();
    });
    worker_->start(QThread::LowPriority);
}

void LogCounter::release(std::unique_ptr<LogFollowers> followers) {
    if (!followers)
        return;
    QThreadPool::globalInstance()->start(
        [gone = std::shared_ptr<LogFollowers>(std::move(followers))]() mutable { gone.reset(); });
}

} // namespace zep
