#pragma once

#include "core/station/HelperLines.h"
#include "core/station/RadioReading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

/// The line protocol between the program and its radio helper (zep-rozadovev-poste), the
/// small program that alone links Hamlib, so that a crash or a hang inside the library ends
/// the helper and never the log window.
///
/// One request or answer per line, ended by LF, at most `maxLineBytes` bytes with the LF.
/// Fields are separated by one blank; a text field (host, device, maker, model name, mode,
/// Morse text) is percent-encoded UTF-8, so it never holds a blank or a line end. Numbers are
/// plain decimal. Every request carries an id chosen by the program; the answers repeat it.
///
/// Program to helper:
///   PING <id>                                 answered by PONG <id>
///   FOLLOW <id> NONE                          stops following
///   FOLLOW <id> NET <host> <port>             follows a rigctld daemon
///   FOLLOW <id> DIRECT <model> <speed> <dev>  follows a radio wired to this computer
///   TEST <id> <link as for FOLLOW>            reads the radio once
///   MODELS <id>                               lists Hamlib's models
///   PTT <id> ON|OFF                           keys or releases the followed radio
///   MORSE <id> <text>                         the radio's own keyer sends this Morse text
///   MORSESTOP <id>                            the radio's keyer stops at once
///   SPEED <id> <wpm>                          the radio's keyer speed, 5 to 60 wpm
///   TUNE <id> <hz> <mode>                     the followed radio's dial to `hz` and its mode
///                                             to `mode` (Hamlib's name; "-" keeps the mode)
/// The keying and tuning requests act on the followed radio, in turn with its readings; each
/// is answered DONE or REFUSED (a helper that does not know one answers REFUSED <id> unknown).
///
/// Helper to program:
///   HELLO <version>                           once, at start
///   PONG <id>
///   READING <id> <hz> <mode>                  the followed radio, at every poll; mode "-" for
///   SILENT <id>                               none; SILENT when it did not answer
///   TESTED <id> OK <hz> <mode> | TESTED <id> FAIL <cause>
///   MODEL <id> <number> <maker> <name>        one per model, then
///   MODELS <id> <count>                       the end of the list
///   DONE <id> | REFUSED <id> <cause>          for the keying requests
///
/// Each side takes the other's lines as input: an overlong line, a field out of bounds or an
/// unknown line is dropped, never trusted.
namespace zep::rigproto {

inline constexpr int protocolVersion = 1;
using helperline::maxLineBytes;
/// The most models a list may hold (Hamlib 4.5 knows about 300).
inline constexpr int maxModels = 5000;
/// Above this no radio's dial goes: 300 GHz.
inline constexpr qint64 maxHertz = 300'000'000'000;
/// The radio keyer's speeds, in words per minute.
inline constexpr int minWpm = 5;
inline constexpr int maxWpm = 60;
/// The longest Morse text of one request, in bytes of UTF-8.
inline constexpr qsizetype maxMorseBytes = 255;

/// The dial of a radio in whole hertz when `hz` is one: finite, above zero and at most
/// 300 GHz. Anything else (a NaN or a negative value from a backend) is no reading.
std::optional<qint64> hertzOf(double hz);

/// Why a test of a link failed, in words both sides share.
enum class Cause {
    Timeout,      ///< the radio did not answer
    Io,           ///< connection refused, device missing or busy
    Settings,     ///< device or speed refused
    Garbled,      ///< an answer that makes no sense
    Rejected,     ///< the radio refuses the request
    Unavailable,  ///< this radio gives no frequency or mode
    PoweredOff,   ///< the radio is switched off
    Denied,       ///< access refused
    UnknownModel, ///< no such model
    Unknown,      ///< a request the helper does not know
};
QByteArray causeWord(Cause cause);
std::optional<Cause> causeOfWord(QByteArrayView word);
/// The French cause shown after "Échec : ".
QString frenchCause(Cause cause);
/// The French cause of a keying request refused (PTT, Morse, speed).
QString keyingCause(Cause cause);

struct Request {
    enum class Kind { Ping, Follow, Test, Models, Ptt, Morse, MorseStop, Speed, Tune };
    Kind kind = Kind::Ping;
    quint64 id = 0;
    RigLink link;             ///< for Follow and Test; only the fields of its kind travel
    bool on = false;          ///< Ptt
    QString text = QString(); ///< Morse: never empty, at most 255 bytes of UTF-8
    int wpm = 0;              ///< Speed
    qint64 hz = 0;            ///< Tune: 1 Hz to maxHertz
    QString mode = QString(); ///< Tune: a Hamlib mode name, empty to keep the radio's
    friend bool operator==(const Request &, const Request &) = default;
};

struct Reply {
    enum class Kind { Hello, Pong, Reading, Silent, Tested, Model, ModelsEnd, Done, Refused };
    Kind kind = Kind::Pong;
    quint64 id = 0;             ///< the request's (the protocol version for Hello)
    RigReading reading;         ///< Reading, and Tested when it succeeded
    std::optional<Cause> cause; ///< Tested when it failed, Refused
    RigModel model;             ///< Model
    int count = 0;              ///< ModelsEnd
    friend bool operator==(const Reply &, const Reply &) = default;
};

/// The line of a request or an answer, LF included.
QByteArray encode(const Request &request);
QByteArray encode(const Reply &reply);
/// A line without its LF (a CR before it is allowed); nothing when it is not one of the
/// protocol's lines or a field is out of bounds.
std::optional<Request> parseRequest(QByteArrayView line);
std::optional<Reply> parseReply(QByteArrayView line);

using helperline::textField;

/// Cuts the byte stream into bounded lines (HelperLines.h).
using helperline::LineReader;

} // namespace zep::rigproto
