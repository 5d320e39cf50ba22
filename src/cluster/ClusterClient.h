#pragma once

#include "core/ClusterSession.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <chrono>

namespace zep {

/// How long an announcement may take, and how long a node must stay quiet before the
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

/// Announces spots on a DX cluster without ever blocking the caller: the socket and its timers
/// live on a thread of their own, the request goes there queued and the outcome comes back
/// queued, within `ClusterTimings::overall`. One announcement at a time; a new one replaces
/// the one under way. Destroying the client drops the connection.
class ClusterClient : public QObject {
    Q_OBJECT
public:
    explicit ClusterClient(ClusterTimings timings = {}, QObject *parent = nullptr);
    ~ClusterClient() override;

    void announce(const ClusterRequest &request);

signals:
    /// The cluster's answer (`answered`) or the French cause of the failure.
    void finished(bool answered, const QString &text);

private:
    QThread thread_;
    ClusterWorker *worker_;
};

} // namespace zep
