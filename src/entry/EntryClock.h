#pragma once

#include "core/io/Clock.h"

#include <QString>

namespace zep {

/// The date and time texts of the entry window's clock: dates as jj/mm/aa, times as hh:mm:ss,
/// two digits each, 24-hour form.
namespace entryclock {

/// What one tick of the clock shows: the two clock labels and the date of the chosen clock.
struct Reading {
    QString utcLabel;   ///< "hh:mm Utc"
    QString localLabel; ///< "hh:mm Loc"
    QString date;       ///< UTC date when UTC is chosen, else the local date
    QString time;       ///< the chosen clock's hh:mm:ss
};

Reading read(const Clock &clock, bool utcChosen);

} // namespace entryclock
} // namespace zep
