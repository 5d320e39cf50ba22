#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

// The datagrams the FT8 and FT4 programs send a logger over UDP, and the ones we send back:
// Qt's QDataStream layout, big endian, a magic number, a schema number (2 or 3), the message
// type and the sender's id, then the fields of that type in their order. Strings are UTF-8
// byte arrays with a 32-bit length (0xffffffff for a null one); a date and time is a Julian
// day (64 bits), milliseconds since midnight (32 bits) and the kind of zone (8 bits: local, UTC,
// offset from UTC followed by the 32-bit offset, named zone).
//
// The reader works on the datagram's bytes alone: every length is checked against what is
// left before anything is copied, every string against its own bound, and a field that runs
// past the end makes the whole message malformed. Fields beyond the ones we know are ignored,
// as newer senders add theirs at the end.

namespace zep::digital {

inline constexpr quint32 magic = 0xadbccbda;
/// The schema we speak: the datagrams we send use it, and the ones we read may use 2 or 3.
inline constexpr quint32 ourSchema = 3;
/// A datagram above this is refused unread.
inline constexpr qsizetype maxDatagram = 64 * 1024;
/// A short field (id, call, grid, mode, report...) longer than this makes the message malformed.
inline constexpr qsizetype maxShortField = 256;
/// The comment, the name and the ADIF text may be longer, never beyond this.
inline constexpr qsizetype maxLongField = 16 * 1024;

enum class Type : quint32 {
    Heartbeat = 0,
    Status = 1,
    Decode = 2,
    Clear = 3,
    Reply = 4,
    QsoLogged = 5,
    Close = 6,
    Replay = 7,
    LoggedAdif = 12,
    HighlightCallsign = 13,
};

/// Status (1): what the sender is tuned to now.
struct Status {
    quint64 dialHz = 0;
    QString mode, dxCall, report, txMode;
    bool txEnabled = false, transmitting = false, decoding = false;
    QString deCall, deGrid, dxGrid;
};

/// QSO Logged (5): the QSO the operator has just logged in the sender.
struct QsoLogged {
    QDateTime off;
    QString dxCall, dxGrid;
    quint64 txHz = 0;
    QString mode, reportSent, reportReceived, txPower, comments, name;
    QDateTime on; ///< invalid when the sender is too old to send it
    QString operatorCall, myCall, myGrid;
};

/// One datagram read: its header, and the fields of the types the logger uses.
struct Message {
    quint32 schema = 0;
    Type type = Type::Heartbeat;
    quint32 rawType = 0;
    QString id;                         ///< the sender's name for itself ("WSJT-X")
    std::optional<quint32> maxSchema;   ///< Heartbeat (absent from schema 2 senders)
    QString version;                    ///< Heartbeat
    std::optional<Status> status;       ///< Status
    std::optional<QsoLogged> qsoLogged; ///< QSO Logged
    QByteArray adif;                    ///< Logged ADIF: a small ADIF file of one record
};

/// A datagram read, or why it is not one we take (French, for the count of refusals).
struct Read {
    std::optional<Message> message;
    QString refusal;
    bool ok() const { return message.has_value(); }
};

/// Reads one datagram. Unknown message types read as their header only (rawType gives the
/// type; `type` is then meaningless) and are for the caller to ignore.
Read readDatagram(QByteArrayView datagram);

/// Whether `rawType` is a type this reader knows the fields of.
bool knownType(quint32 rawType);

/// Writers, for the messages we send and for the tests' sender: the same layout, in `schema`.
class Writer {
public:
    Writer(Type type, const QString &id, quint32 schema = ourSchema);
    Writer &u8(quint8 v);
    Writer &boolean(bool v) { return u8(v ? 1 : 0); }
    Writer &u16(quint16 v);
    Writer &u32(quint32 v);
    Writer &u64(quint64 v);
    Writer &i32(qint32 v) { return u32(quint32(v)); }
    Writer &f64(double v);
    Writer &utf8(const QString &text);
    Writer &nullUtf8() { return u32(0xffffffffu); }
    Writer &rawUtf8(QByteArrayView bytes);
    Writer &time(const QTime &t);
    Writer &dateTime(const QDateTime &dt);
    /// A colour as Qt writes one: its kind (1 = RGB, 0 = invalid), then alpha, red, green, blue
    /// and a padding word, each on 16 bits.
    Writer &color(std::optional<quint32> rgb);
    const QByteArray &bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

/// Highlight Callsign (13): asks the sender to paint `call` in its decode window with the
/// background `background` (0xRRGGBB) and a black text, or, without a colour, to stop.
QByteArray highlightCallsign(const QString &senderId, const QString &call,
                             std::optional<quint32> background);

} // namespace zep::digital
