#pragma once

#include "core/station/ClusterSpot.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep::cluster {

/// What a session keeps of the node's words at most, whatever the node sends: the line being
/// received is cut at `maxLineLength` characters (the rest of it is skipped up to its end), and
/// the answer to the DX line at `maxAnswerLength` characters or `maxAnswerLines` lines (the
/// exchange then ends on what was kept; a node answers a spot in a few lines, and the window
/// shows the answer at once). Every byte received is looked at once, so that a flood costs
/// time in proportion to its size.
inline constexpr qsizetype maxLineLength = 1024;
inline constexpr qsizetype maxAnswerLength = 64 * 1024;
inline constexpr qsizetype maxAnswerLines = 100;

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
/// or silence; then say goodbye. Every failure becomes a French cause. The login is sent
/// as `loginText` makes it.
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
    /// The characters of the node's words held now (the line begun, the answer, the last
    /// line): at most `maxLineLength` * 2 + `maxAnswerLength`.
    qsizetype keptLength() const;

private:
    Step lineEnded(Step step);
    Step lineBegun(Step step);
    Step finish(Outcome outcome, QByteArray send = {});
    Step sendSpot(Step step);
    Outcome answerSoFar() const;
    void startLine();
    void searchWords();

    QByteArray login_;
    QByteArray dx_;
    QString dxText_;
    Phase phase_ = Phase::Connecting;
    TelnetDecoder telnet_;
    QString line_;           ///< the line begun, without controls, cut at maxLineLength
    qsizetype searched_ = 0; ///< how much of line_ was searched for the prompts' words
    bool loginWord_ = false; ///< line_ holds a login prompt's words
    bool passwordWord_ = false;
    QChar lastVisible_; ///< line_'s last character that is not a blank
    QString lastLine_;  ///< the node's last words, to explain a closed connection
    QStringList answer_;
    qsizetype answerLength_ = 0; ///< answer_ joined by line ends
};

} // namespace zep::cluster
