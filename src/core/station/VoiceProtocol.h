#pragma once

#include "core/station/HelperLines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

/// The line protocol between the program and its sound helper (zep-rozadovev-voix), the small
/// program that alone links Qt Multimedia, so that a sound server or a driver that crashes or
/// hangs ends the helper and never the log window, and the program's start maps no audio
/// library.
///
/// One request or answer per line, ended by LF, at most `maxLineBytes` (1,024) bytes with the
/// LF; fields separated by one blank; a text field (device, path, French cause) is
/// percent-encoded UTF-8, "-" for the empty text (the system's default device). Every request
/// carries an id chosen by the program; the answers repeat it.
///
/// Program to helper:
///   PING <id>                               answered PONG <id>
///   LOAD <id> <device> <path>               reads and checks a message, opens the output:
///                                           READY <id> <ms> or FAILED <id> <cause>
///   START <id>                              plays what LOAD <id> prepared: PLAYING <id>, then
///                                           ENDED <id> once the sound is out, or FAILED
///   RECORD <id> <device> <path> <ms>        records from the input, `ms` at most (30 s):
///                                           LEVEL <id> <percent> every 100 ms, then
///                                           SAVED <id> <ms> or FAILED <id> <cause>
///   STOP <id>                               stops at once: a playback answers STOPPED <id>
///                                           when the sound is cut, a recording is saved
/// Helper to program:
///   HELLO <version>                         once, at start
///
/// Each side takes the other's lines as input: an overlong line, a field out of bounds or an
/// unknown line is dropped, never trusted.
namespace zep::voiceproto {

inline constexpr int protocolVersion = 1;
using helperline::maxLineBytes;
/// The longest recording, in milliseconds.
inline constexpr int maxRecordMs = 30'000;
/// The longest text field, decoded.
inline constexpr qsizetype maxTextBytes = 900;

struct Request {
    enum class Kind { Ping, Load, Start, Record, Stop };
    Kind kind = Kind::Ping;
    quint64 id = 0;
    QString device; ///< Load, Record: empty for the default device
    QString path;   ///< Load, Record: never empty
    int ms = 0;     ///< Record: 1 to maxRecordMs
    friend bool operator==(const Request &, const Request &) = default;
};

struct Reply {
    enum class Kind { Hello, Pong, Ready, Playing, Ended, Stopped, Level, Saved, Failed };
    Kind kind = Kind::Pong;
    quint64 id = 0; ///< the request's (the protocol version for Hello)
    int value = 0;  ///< Ready and Saved: milliseconds; Level: 0 to 100
    QString cause;  ///< Failed: one French line, never empty
    friend bool operator==(const Reply &, const Reply &) = default;
};

/// The line of a request or an answer, LF included; nothing when it would not fit a line
/// (a path too long) or a field is out of bounds.
std::optional<QByteArray> encode(const Request &request);
std::optional<QByteArray> encode(const Reply &reply);
/// A line without its LF (a CR before it is allowed); nothing when it is not one of the
/// protocol's lines or a field is out of bounds.
std::optional<Request> parseRequest(QByteArrayView line);
std::optional<Reply> parseReply(QByteArrayView line);

/// Cuts the byte stream into lines of at most `maxLineBytes`, as the radio helper's.
using helperline::LineReader;

} // namespace zep::voiceproto
