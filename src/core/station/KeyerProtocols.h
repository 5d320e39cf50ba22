#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zep {

/// cwdaemon's UDP protocol: one datagram per request; text is sent as it comes, requests
/// begin with ESC. A request "ESC h<token>" before a text asks cwdaemon to answer
/// "h<token>\r\n" once that text has been keyed: this is how the end of a message is known.
namespace cwdaemon {
QByteArray speed(int wpm);
QByteArray abort();
QByteArray replyOnEnd(const QByteArray &token);
/// The text of a message (already in Morse's characters). In a text cwdaemon takes "+" and
/// "-" as speed changes and "~" as a half space: they never reach it from here.
QByteArray text(const QString &morse);
/// The token of a datagram answering replyOnEnd, or nothing for anything else (bounded:
/// longer than a token can be is not an answer).
std::optional<QByteArray> endToken(const QByteArray &datagram);
} // namespace cwdaemon

/// The WinKeyer 2/3 host protocol on its serial port (1200 baud, 8 bits, 2 stop bits).
namespace winkeyer {
QByteArray hostOpen();
QByteArray hostClose();
QByteArray speed(int wpm);
QByteArray clearBuffer();
/// The text of a message as the keyer's buffer takes it: capitals and the printable ASCII
/// of Morse (below 0x20 and above 0x7F are commands or nothing).
QByteArray text(const QString &morse);

/// One byte from the keyer, sorted by its tag bits.
struct Byte {
    enum class Kind { Status, SpeedPot, Echo };
    Kind kind;
    bool busy = false; ///< status: Morse is being sent
    bool xoff = false; ///< status: the buffer is more than two thirds full
};
Byte classify(unsigned char byte);
} // namespace winkeyer

} // namespace zep
