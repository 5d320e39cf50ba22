#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

namespace zep::cluster {

/// The announcement sent to a DX cluster: the frequency, the station heard and a comment.
struct Spot {
    double kHz = 0;
    QString call;
    QString comment;
};

/// The cluster command announcing `spot`, without its line end:
/// "DX 14285.0 F4ABC DFCF 76054 SSB". The frequency keeps one decimal, as clusters print it;
/// the call sign is upper case; the comment loses its accents (clusters carry ASCII) and any
/// control character, so that a pasted text can never send a second command.
QByteArray dxLine(const Spot &spot);

/// The longest login sent to a node, in characters (a call sign with its prefix and suffix,
/// "VP2E/F4ABC/QRP", holds 14).
inline constexpr qsizetype maxLoginLength = 16;
/// The call sign sent at the login, without its line end, whatever the settings hold: its
/// first word reduced like the comment (plain ASCII, no control character), upper case, at
/// most `maxLoginLength` characters. A login holding a line end can never send a second
/// command to the node.
QByteArray loginText(const QString &login);

/// A frequency as the operator types it in kHz ("14285", "14285.0", "14 285,5"), rounded to
/// 100 Hz. Nothing for an empty or non-numeric text, or a value outside 100 kHz - 300 GHz
/// (a frequency typed in MHz, "14.285", is caught here).
std::optional<double> parseKilohertz(const QString &typed);
/// The frequency as the window shows it and the DX line carries it: "14285.0".
QString kilohertzText(double kHz);

/// Takes the telnet commands out of what a cluster sends. Every option the server offers or
/// asks for is refused (the program needs a plain line-based exchange), once per option so
/// that a stubborn server cannot start a loop; subnegotiations are skipped. Commands may be
/// cut anywhere between two reads.
class TelnetDecoder {
public:
    struct Result {
        QByteArray text;  ///< the bytes that are text
        QByteArray reply; ///< the refusals to send back
    };
    Result feed(const QByteArray &bytes);

private:
    enum class State { Text, Command, Option, Sub, SubCommand };
    State state_ = State::Text;
    unsigned char verb_ = 0;
    QSet<int> refused_; ///< (verb << 8) | option already answered
};

} // namespace zep::cluster
