#pragma once

#include "core/log/LogJournal.h"

#include <QHash>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace zep {

/// The pace of an activation, from the dates and times its log holds.
struct QsoRate {
    /// QSOs per hour over the 10 latest QSOs: 10 divided by the time from the first of them to
    /// the last, counted in whole minutes and never less than one (10 QSOs in 5 minutes give
    /// 120). Fewer QSOs in the log: as many divided the same way; fewer than 2: 0.
    int lastTen = 0;
    /// The QSOs of the hour up to the reference time: later than 60 minutes before it, not
    /// later than it.
    int lastHour = 0;
    int onBand = 0; ///< the log's QSOs on the band asked for
};

/// The minute of a QSO line (days from the calendar's origin * 1440 + hh * 60 + mm), nothing
/// when its date or time cannot be read.
std::optional<qint64> qsoMinute(const QString &line);
/// The same for a clock's date "jj/mm/aa" and time "hh:mm" (seconds after it left out).
std::optional<qint64> clockMinute(const QString &date, const QString &time);

/// The figures of the rate line, kept up to date with the log by its changes, so that a tick
/// of the clock or a band change on a log of years costs nothing like reading it again.
class RateFollower {
public:
    void follow(const LogReading &log);
    /// `reference` is the minute the last hour ends at (the clock for live entry); without
    /// one, the latest QSO of the log (a paper log typed afterwards).
    QsoRate figures(const QString &band, std::optional<qint64> reference) const;
    quint64 seen() const { return seen_; }

private:
    void add(const QString &line, int delta);
    int &bandCount(QStringView band);

    quint64 seen_ = 0;
    /// The QSOs' minutes in order: a log read at the window's opening is sorted once, a live
    /// QSO goes at the end.
    std::vector<qint64> minutes_;
    /// The log's few bands with their QSO counts, found without a string made per line.
    std::vector<std::pair<QString, int>> bands_;
};

} // namespace zep
