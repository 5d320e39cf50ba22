#pragma once

#include "core/log/LogJournal.h"
#include "core/log/QsoRate.h"

#include <QObject>

#include "platform/StatusLabel.h"

#include <functional>
#include <optional>

class QLabel;
class QWidget;

namespace zep {

/// The rate line of the entry window: "Cadence : n QSO/h sur les 10 derniers, m QSO/h sur la
/// dernière heure" and the count of QSOs on the band in use, from the log's own dates and
/// times. The hour ends at the clock's minute in live entry, at the latest QSO in deferred
/// entry (a paper log gives its own rate).
class RateLine : public QObject {
    Q_OBJECT
public:
    struct Context {
        std::function<QString()> band;
        /// The minute the last hour ends at; nothing for the latest QSO.
        std::function<std::optional<qint64>()> reference;
    };
    RateLine(QWidget *parent, Context context);

    QLabel *rate() const { return rate_; }
    QLabel *onBand() const { return onBand_; }

    void followLog(const LogReading &log);
    /// While the log is counted on a worker, the line keeps its figures and follows nothing.
    void setWaiting(bool waiting) { waiting_ = waiting; }
    /// Exchanges the kept figures with `other` (counted on a worker), and shows them.
    void swapFollower(RateFollower &other);
    /// Shows the figures again; a tick in the same minute changes nothing.
    void update();

private:
    Context context_;
    StatusLabel *rate_;
    StatusLabel *onBand_;
    RateFollower follower_;
    bool waiting_ = false;
};

} // namespace zep
