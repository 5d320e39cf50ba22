#pragma once

#include "core/station/ClusterSession.h"
#include "core/station/SpotLine.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep::cluster {

/// The back-off before the next connection after the `attempt`th failure in a row (from 1):
/// 2 s, doubling, at most 2 min.
int reconnectDelaySeconds(int attempt);
/// The French status line while waiting: "Cluster : reconnexion dans 8 s".
QString reconnectText(int seconds);

/// A staying connection to a cluster node, without the connection itself (the client feeds
/// it the socket's events and the timers'): wait for the login prompt, send the call sign
/// (refuse a node asking for a password), then read every "DX de" line for its spot, and
/// ignore everything else the node says. An announcement sent on the connection collects
/// the node's answer up to the spot coming back, the next prompt or `maxAnswerLines` lines.
/// Every byte is looked at once; what is kept is the line begun (at most `maxLineLength`
/// bytes, a longer line skipped to its end) and an announcement's answer.
class FeedSession {
public:
    explicit FeedSession(const QString &login);

    struct Step {
        QByteArray send;
        QList<spots::Spot> spots;
        /// The connection is to be dropped, for this French cause.
        std::optional<QString> failure;
        /// The answer to the announcement under way, once complete.
        std::optional<Outcome> answer;
    };

    Step received(QByteArrayView bytes);
    /// Nothing came for a while: a node that gave no prompt after the login is taken as
    /// logged in, and an announcement's answer ends on what came.
    Step quiet();
    /// The keep-alive: an empty line, which the node answers with its prompt.
    QByteArray keepAlive() const { return QByteArrayLiteral("\r\n"); }

    /// Sends `spot` on the connection when logged in (nothing otherwise, and false).
    bool announce(const Spot &spot, QByteArray &send);
    bool loggedIn() const { return phase_ == Phase::Listening; }
    bool announcing() const { return announcing_; }
    /// The bytes held: the line begun and the answer collected.
    qsizetype keptLength() const { return splitter_.held() + answerLength_; }

private:
    enum class Phase { WaitingLogin, LoggingIn, Listening };
    void line(QByteArrayView text, Step &step);
    void lookAtLineBegun(Step &step);
    void finishAnswer(Step &step);

    QByteArray login_;
    Phase phase_ = Phase::WaitingLogin;
    TelnetDecoder telnet_;
    spots::LineSplitter splitter_{maxLineLength};
    QByteArray begun_; ///< the line begun, as far as the prompts go (its last 32 bytes)
    bool announcing_ = false;
    QByteArray dx_;
    QStringList answer_;
    qsizetype answerLength_ = 0;
};

} // namespace zep::cluster
