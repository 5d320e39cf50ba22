#pragma once

#include "core/station/ClusterSpot.h"
#include "core/station/SpotLine.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>

namespace zep {

/// The pace of the staying connection (tests shorten them).
struct FeedTimings {
    /// A node silent this long is sent an empty line; silent twice as long, it is taken as
    /// gone and the connection made again.
    std::chrono::milliseconds keepAlive{std::chrono::minutes(3)};
    /// After the login, a node that gives no prompt is listened to after this silence; an
    /// announcement's answer ends after it too.
    std::chrono::milliseconds quiet{std::chrono::milliseconds(1500)};
    /// The spots are handed to the window at most this often, in one batch.
    std::chrono::milliseconds batch{std::chrono::milliseconds(200)};
    /// The longest an announcement waits for its answer.
    std::chrono::milliseconds announceLimit{std::chrono::seconds(10)};
    /// One second of the back-off (2 s doubling up to 2 min) lasts this long.
    std::chrono::milliseconds backoffSecond{std::chrono::seconds(1)};
};

/// Where the feed connects, and as whom.
struct FeedTarget {
    QString host;
    quint16 port = 0;
    QString login;
    friend bool operator==(const FeedTarget &, const FeedTarget &) = default;
};

class FeedWorker;

/// The cluster connection that stays: it logs in, keeps the connection alive, reads every
/// spot and, when the connection is lost or refused, connects again after a back-off (2 s
/// doubling up to 2 min), saying so on one status line. The socket and its timers live on a
/// thread of their own; spots come back to the caller's thread in batches (at most
/// `spots::maxBatch` at a time, the newest), so that a node that floods costs the caller one
/// batch per `FeedTimings::batch`, never a stall.
class SpotFeed : public QObject {
    Q_OBJECT
public:
    explicit SpotFeed(FeedTimings timings = {}, QObject *parent = nullptr);
    ~SpotFeed() override;

    /// Connects to `target` (again, when it changed) and stays connected.
    void start(const FeedTarget &target);
    /// Hangs up and stops connecting.
    void stop();
    /// Logged in, and listening.
    bool loggedIn() const { return loggedIn_.load(); }
    /// Announces `spot` on the connection; false when it is not logged in (nothing sent).
    bool announce(const cluster::Spot &spot);
    /// The most of the node's words held at once since the start (bytes read and kept).
    qsizetype peakKept() const { return peakKept_.load(); }

signals:
    void spotsArrived(const QList<zep::spots::Spot> &spots);
    /// "Cluster : connecté à ...", "Cluster : reconnexion dans 8 s"...
    void statusChanged(const QString &text);
    /// The node's answer to an announcement, or why there is none.
    void announced(bool answered, const QString &text);

private:
    QThread thread_;
    std::atomic<bool> loggedIn_{false};
    std::atomic<qsizetype> peakKept_{0};
    FeedWorker *worker_;
};

namespace spots {
/// The most spots handed over in one batch: the list keeps no more.
inline constexpr qsizetype maxBatch = 1000;
} // namespace spots

} // namespace zep
