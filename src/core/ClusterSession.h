#pragma once

#include "core/ClusterSpot.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep::cluster {

/// Why a connection to the cluster failed, as the socket reports it.
enum class NetError { Refused, HostNotFound, Closed, Unreachable, Timeout, Other };

/// The French cause shown to the operator for a failure ("connexion refusée"...);
/// `systemText` completes the causes the program has no words of its own for.
QString causeText(NetError error, const QString &systemText = {});
/// The cause when the cluster said nothing in time.
QString noAnswerText();

/// How an announcement ended: the cluster's answer (its lines, one per line of the text), or
/// the cause of the failure.
struct Outcome {
    bool answered = false;
    QString text;
    bool operator==(const Outcome &) const = default;
};

/// What the connection must do after an event: bytes to send, and the outcome once the
/// exchange is over (the connection is then closed after sending `send`).
struct Step {
    QByteArray send;
    std::optional<Outcome> outcome;
};

/// The exchange with a cluster node over a line-based telnet connection, without the
/// connection itself (the client feeds it the socket's events and the timers'):
/// wait for the login prompt ("login:", "call:", "Please enter your call"), send the call
/// sign; wait for the node's prompt (a line ending with ">") or for it to fall quiet, send
/// the DX line; collect the answer until the spot comes back ("DX de ..."), the next prompt,
/// or silence; then say goodbye. Every failure becomes a French cause.
class Session {
public:
    enum class Phase { Connecting, WaitingLogin, LoggingIn, Announcing, Done };

    Session(const QString &login, const Spot &spot);

    Step connected();
    Step received(const QByteArray &bytes);
    /// Nothing came for a while (the client's settle time since the last bytes).
    Step quiet();
    /// The overall time allowed for the announcement ran out.
    Step timedOut();
    Step failed(NetError error, const QString &systemText = {});
    /// The node closed the connection.
    Step closed();

    Phase phase() const { return phase_; }
    bool finished() const { return phase_ == Phase::Done; }

private:
    Step afterLines(Step step);
    Step finish(Outcome outcome, QByteArray send = {});
    Step sendSpot(Step step);
    Outcome answerSoFar() const;

    QByteArray login_;
    QByteArray dx_;
    Phase phase_ = Phase::Connecting;
    TelnetDecoder telnet_;
    QByteArray partial_; ///< text after the last line end (a prompt has none)
    QStringList lines_;  ///< complete lines not yet looked at
    QString lastLine_;   ///< the node's last words, to explain a closed connection
    QStringList answer_;
};

} // namespace zep::cluster
