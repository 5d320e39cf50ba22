#include "core/station/KeyerProtocols.h"

namespace zep {

namespace {
constexpr char esc = '\x1b';
constexpr qsizetype maxTokenBytes = 32;
} // namespace

namespace cwdaemon {

QByteArray speed(int wpm) {
    return QByteArray(1, esc) + '2' + QByteArray::number(wpm);
}

QByteArray abort() {
    return QByteArray(1, esc) + '4';
}

QByteArray replyOnEnd(const QByteArray &token) {
    return QByteArray(1, esc) + 'h' + token.left(maxTokenBytes);
}

QByteArray text(const QString &morse) {
    QByteArray out = morse.toLatin1();
    out.removeIf([](char c) {
        return c == '+' || c == '-' || c == '~' || c == esc ||
               static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e;
    });
    return out;
}

std::optional<QByteArray> endToken(const QByteArray &datagram) {
    if (datagram.size() < 3 || datagram.size() > maxTokenBytes + 3 || datagram.at(0) != 'h' ||
        !datagram.endsWith("\r\n"))
        return std::nullopt;
    return datagram.mid(1, datagram.size() - 3);
}

} // namespace cwdaemon

namespace winkeyer {

QByteArray hostOpen() {
    return QByteArray("\x00\x02", 2);
}

QByteArray hostClose() {
    return QByteArray("\x00\x03", 2);
}

QByteArray speed(int wpm) {
    QByteArray out("\x02", 1);
    out.append(static_cast<char>(qBound(5, wpm, 99)));
    return out;
}

QByteArray clearBuffer() {
    return QByteArray("\x0a", 1);
}

QByteArray text(const QString &morse) {
    QByteArray out;
    for (const QChar c : morse.toUpper())
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            out.append(static_cast<char>(c.unicode()));
    return out;
}

Byte classify(unsigned char byte) {
    if ((byte & 0xc0) == 0x80)
        return {Byte::Kind::SpeedPot};
    if ((byte & 0xe0) == 0xc0) {
        // The program never asks for the WK2 mode, so bit 3 is never a push-button report.
        Byte status{Byte::Kind::Status};
        status.busy = byte & 0x04;
        status.xoff = byte & 0x01;
        return status;
    }
    return {Byte::Kind::Echo};
}

} // namespace winkeyer

} // namespace zep
