#pragma once

#include "core/digital/ArrivedQso.h"
#include "core/digital/DigitalSettings.h"
#include "core/io/Clock.h"

#include <QObject>
#include <QStringList>
#include <QThread>

#include <atomic>

namespace zep {

class DigitalWorker;

/// Listens for the datagrams of the FT8 and FT4 programs on UDP (a unicast address or a
/// multicast group), off the GUI thread: the socket, the reading and every check of a datagram
/// live on a thread of their own, and only what the logger uses comes back, queued: a QSO
/// logged, already checked (call sign, date within a day of `clock`, a frequency in one of
/// `bandRows`), the sender heard, its status and its close. Whatever arrives, the worker holds
/// one datagram of at most 64 KiB at a time; a flood costs the worker's time, not the GUI's,
/// and a message that is malformed, unknown or not a QSO the log can take is only counted.
/// The system's sockets are used, as for the cluster and the keyers.
class DigitalLink : public QObject {
    Q_OBJECT
public:
    DigitalLink(const Clock &clock, const QStringList &bandRows, QObject *parent = nullptr);
    ~DigitalLink() override;

    /// Listens as `settings` say (or stops when off); `listening` tells the outcome.
    void listen(const digital::ListenSettings &settings);
    /// Sends `datagram` to the sender last heard (nothing when none was).
    void sendToSender(const QByteArray &datagram);

    /// Datagrams read, and those ignored (malformed, unknown, refused by the checks).
    quint64 received() const { return received_.load(); }
    quint64 ignored() const { return ignored_.load(); }

signals:
    void listening(bool ok, const QString &failure);
    /// A sender spoke (at most about once a second for the same one).
    void heard(const QString &id);
    /// The sender's dial frequency and mode, when they change.
    void statusChanged(const QString &id, qint64 hz, const QString &mode);
    void qsoArrived(const zep::digital::ArrivedQso &qso);
    void closed(const QString &id);

private:
    QThread thread_;
    DigitalWorker *worker_;
    std::atomic<quint64> received_{0}, ignored_{0};
};

} // namespace zep
