#include "entry/EntryClock.h"

namespace zep::entryclock {

namespace {
QString dateText(const QDateTime &t) {
    return t.date().toString(QStringLiteral("dd/MM/yy"));
}
QString timeText(const QDateTime &t) {
    return t.time().toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

Reading read(const Clock &clock, bool utcChosen) {
    // One reading of each clock, so that the date and the minute shown belong together even
    // when the tick falls on midnight.
    const QDateTime utc = clock.utcNow();
    const QDateTime local = clock.localNow();
    Reading r;
    r.utcLabel = timeText(utc).left(5) + QStringLiteral(" Utc");
    r.localLabel = timeText(local).left(5) + QStringLiteral(" Loc");
    r.date = dateText(utcChosen ? utc : local);
    r.time = timeText(utcChosen ? utc : local);
    return r;
}

} // namespace zep::entryclock
