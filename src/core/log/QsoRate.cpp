#include "core/log/QsoRate.h"

#include "core/log/QsoLine.h"

#include <algorithm>
#include <iterator>

namespace zep {

namespace {

/// Days from 1 January 1970 to a date of the Gregorian calendar (Howard Hinnant's
/// days-from-civil), without a QDate: the rate line counts every QSO of the log at the opening.
qint64 daysFromCivil(qint64 y, qint64 m, qint64 d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<qint64> minuteOf(std::optional<qint64> number) {
    if (!number)
        return std::nullopt;
    // yyyymmddhhmm, a real date and time (qsoOrderingNumber checked them).
    const qint64 n = *number;
    return daysFromCivil(n / 100000000, n / 1000000 % 100, n / 10000 % 100) * 1440 +
           n / 100 % 100 * 60 + n % 100;
}

} // namespace

std::optional<qint64> qsoMinute(const QString &line) {
    return minuteOf(qsoOrderingNumber(line));
}

std::optional<qint64> clockMinute(const QString &date, const QString &time) {
    // The columns of a log line: date in 1-8, time in 11-15.
    return qsoMinute(date.left(8) + QStringLiteral("  ") + time.left(5));
}

int &RateFollower::bandCount(QStringView band) {
    for (auto &[name, count] : bands_)
        if (name == band)
            return count;
    bands_.emplace_back(band.toString(), 0);
    return bands_.back().second;
}

void RateFollower::add(const QString &line, int delta) {
    int &count = bandCount(QStringView(line).mid(qsocol::band - 1, qsocol::bandWidth).trimmed());
    count = std::max(0, count + delta);
    const std::optional<qint64> minute = qsoMinute(line);
    if (!minute)
        return;
    if (delta > 0) {
        minutes_.insert(std::upper_bound(minutes_.begin(), minutes_.end(), *minute), *minute);
    } else if (const auto it = std::lower_bound(minutes_.begin(), minutes_.end(), *minute);
               it != minutes_.end() && *it == *minute) {
        minutes_.erase(it);
    }
}

void RateFollower::follow(const LogReading &log) {
    followLog(
        seen_, log,
        [this](const LogChange &change) {
            for (const QString &line : change.removed)
                add(line, -1);
            for (const QString &line : change.added)
                add(line, 1);
            return true;
        },
        [this](const QStringList &lines) {
            // The whole log, at the opening: counted, then its minutes sorted once.
            minutes_.clear();
            bands_.clear();
            minutes_.reserve(size_t(lines.size()));
            for (const QString &line : lines) {
                ++bandCount(QStringView(line).mid(qsocol::band - 1, qsocol::bandWidth).trimmed());
                if (const std::optional<qint64> minute = qsoMinute(line))
                    minutes_.push_back(*minute);
            }
            std::sort(minutes_.begin(), minutes_.end());
        });
}

QsoRate RateFollower::figures(const QString &band, std::optional<qint64> reference) const {
    QsoRate rate;
    const QString wanted = band.trimmed();
    for (const auto &[name, count] : bands_)
        if (name == wanted)
            rate.onBand = count;
    if (minutes_.empty())
        return rate;

    const auto n = qint64(std::min<size_t>(10, minutes_.size()));
    if (n >= 2) {
        const qint64 last = *minutes_.rbegin();
        const qint64 first = *std::prev(minutes_.end(), n);
        const qint64 span = std::max<qint64>(1, last - first);
        rate.lastTen = int((n * 60 + span / 2) / span);
    }

    const qint64 end = reference.value_or(*minutes_.rbegin());
    const auto from = std::upper_bound(minutes_.begin(), minutes_.end(), end - 60);
    const auto to = std::upper_bound(minutes_.begin(), minutes_.end(), end);
    rate.lastHour = int(std::distance(from, to));
    return rate;
}

} // namespace zep
