#pragma once

#include "core/station/ClusterSession.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>

namespace zep {

/// How long an announcement may take from the request to the outcome back on the caller's
/// thread, and how long a node must stay quiet before the
/// exchange goes on without the prompt it did not send (tests shorten both).
struct ClusterTimings {
    std::chrono::milliseconds overall{10000};
    std::chrono::milliseconds settle{1500};
};

/// Where and as whom to announce, and what.
struct ClusterRequest {
    QString host;
    quint16 port = 0;
    QString login;
    cluster::Spot spot;
};

class ClusterWorker;

/// The most the client takes from the node's socket at once: the socket holds no more, and the
/// node waits (TCP flow control) while the session looks at what was read.
inline constexpr qint64 clusterReadChunk = 64 * 1024;

/// Announces spots on a DX cluster without ever blocking the caller: the socket and its timers
/// live on a thread of their own, the request goes there queued and the outcome comes back
/// queued, within `ClusterTimings::overall`. One announcement at a time; a new one replaces
/// the one under way. Destroying the client drops the connection. Whatever the node sends, the
/// client holds at most `clusterReadChunk` bytes read plus what the session keeps
/// (`cluster::maxAnswerLength`, lines cut at `cluster::maxLineLength`), and the outcome comes
/// within the overall time: a flood costs time in proportion to its size, on the client's
/// thread, never on the caller's.
class ClusterClient : public QObject {
    Q_OBJECT
public:
    explicit ClusterClient(ClusterTimings timings = {}, QObject *parent = nullptr);
    ~ClusterClient() override;

    void announce(const ClusterRequest &request);
    /// The most the client held of the node's words at once (the bytes just read and what the
    /// session kept) since the last announcement began.
    qsizetype peakKept() const { return peakKept_.load(); }

signals:
    /// The cluster's answer (`answered`) or the French cause of the failure.
    void finished(bool answered, const QString &text);

private:
    QThread thread_;
    std::atomic<qsizetype> peakKept_{0};
    ClusterWorker *worker_;
};

} // namespace zep
