#pragma once

#include <QDateTime>

namespace zep {

/// The system clock, UTC and local. Windows take it in their constructor so tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime utcNow() const = 0;
    virtual QDateTime localNow() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime utcNow() const override { return QDateTime::currentDateTimeUtc(); }
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }
};

/// The one system clock of the program.
inline Clock &systemClock() {
    static SystemClock clock;
    return clock;
}

/// A clock that shows what the test sets (local time = UTC + offset).
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime utc = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC),
                         int localOffsetSeconds = 3600)
        : utc_(std::move(utc)), offset_(localOffsetSeconds) {}
    QDateTime utcNow() const override { return utc_; }
    QDateTime localNow() const override {
        QDateTime local = utc_.addSecs(offset_);
        return QDateTime(local.date(), local.time());
    }
    void setUtc(const QDateTime &utc) { utc_ = utc; }
    void advance(int seconds) { utc_ = utc_.addSecs(seconds); }

private:
    QDateTime utc_;
    int offset_;
};

/// The entry window's one-second clock, which the reference choice stops while it is open.
class ClockControl {
public:
    virtual ~ClockControl() = default;
    virtual void stopClock() = 0;
    virtual void startClock() = 0;
};

} // namespace zep
