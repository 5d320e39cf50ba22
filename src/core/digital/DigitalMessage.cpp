#include "core/digital/DigitalMessage.h"

#include <QtEndian>

#include <cstring>

namespace zep::digital {

namespace {

/// Julian days of 1900-01-01 and 2199-12-31: a date outside is no QSO's.
constexpr qint64 earliestDay = 2415021;
constexpr qint64 latestDay = 2524593;
constexpr quint32 msPerDay = 24u * 60 * 60 * 1000;
constexpr quint32 nullLength = 0xffffffffu;

/// Reads fields in order from the datagram; the first field that does not fit sets `failed`
/// with its reason, and every later read gives an empty value.
class Cursor {
public:
    explicit Cursor(QByteArrayView bytes) : bytes_(bytes) {}

    bool failed() const { return !refusal_.isEmpty(); }
    const QString &refusal() const { return refusal_; }
    bool atEnd() const { return at_ >= bytes_.size(); }

    template <typename T> T number(const char *what) {
        if (failed() || bytes_.size() - at_ < qsizetype(sizeof(T))) {
            fail(what);
            return T{};
        }
        const T v = qFromBigEndian<T>(bytes_.data() + at_);
        at_ += sizeof(T);
        return v;
    }
    quint8 u8(const char *what) { return number<quint8>(what); }
    quint32 u32(const char *what) { return number<quint32>(what); }
    quint64 u64(const char *what) { return number<quint64>(what); }

    bool boolean(const char *what) { return u8(what) != 0; }

    double f64(const char *what) {
        const quint64 bits = u64(what);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

    /// A byte array field: a 32-bit length (all ones for null), then the bytes.
    QByteArray bytes(const char *what, qsizetype bound) {
        const quint32 length = u32(what);
        if (failed() || length == nullLength)
            return {};
        if (length > quint32(bound)) {
            fail(what, "trop long");
            return {};
        }
        if (bytes_.size() - at_ < qsizetype(length)) {
            fail(what);
            return {};
        }
        const QByteArray v = bytes_.sliced(at_, length).toByteArray();
        at_ += length;
        return v;
    }

    QString utf8(const char *what, qsizetype bound = maxShortField) {
        const QByteArray raw = bytes(what, bound);
        // A string is text: a control character other than blanks has no place in a field.
        for (const char c : raw)
            if ((c >= 0 && c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f) {
                fail(what, "caractère de contrôle");
                return {};
            }
        return QString::fromUtf8(raw);
    }

    QTime time(const char *what) {
        const quint32 ms = u32(what);
        if (failed() || ms == nullLength)
            return {};
        if (ms >= msPerDay) {
            fail(what, "heure impossible");
            return {};
        }
        return QTime::fromMSecsSinceStartOfDay(int(ms));
    }

    /// A date and time in UTC; invalid for a null one. A time zone by name is refused: the
    /// senders we know write UTC.
    QDateTime dateTime(const char *what) {
        const qint64 day = number<qint64>(what);
        const QTime t = time(what);
        const quint8 zone = u8(what); // 0 local, 1 UTC, 2 offset from UTC, 3 named zone
        qint32 offset = 0;
        if (zone == 2)
            offset = number<qint32>(what);
        if (failed())
            return {};
        if (zone > 2) {
            fail(what, "fuseau horaire inconnu");
            return {};
        }
        if (day == std::numeric_limits<qint64>::min() || !t.isValid())
            return {};
        if (day < earliestDay || day > latestDay) {
            fail(what, "date impossible");
            return {};
        }
        if (offset < -14 * 3600 || offset > 14 * 3600) {
            fail(what, "décalage horaire impossible");
            return {};
        }
        const QDate d = QDate::fromJulianDay(day);
        if (zone == 0)
            return QDateTime(d, t).toUTC();
        if (zone == 2)
            return QDateTime(d, t, Qt::OffsetFromUTC, offset).toUTC();
        return QDateTime(d, t, Qt::UTC);
    }

private:
    void fail(const char *what, const char *why = "tronqué") {
        if (refusal_.isEmpty())
            refusal_ = QStringLiteral("%1 : %2").arg(QLatin1String(what), QLatin1String(why));
    }

    QByteArrayView bytes_;
    qsizetype at_ = 0;
    QString refusal_;
};

Status readStatus(Cursor &c) {
    Status s;
    s.dialHz = c.u64("fréquence");
    s.mode = c.utf8("mode");
    s.dxCall = c.utf8("indicatif DX");
    s.report = c.utf8("report");
    s.txMode = c.utf8("mode d'émission");
    s.txEnabled = c.boolean("émission permise");
    s.transmitting = c.boolean("émission");
    s.decoding = c.boolean("décodage");
    c.u32("écart de réception");
    c.u32("écart d'émission");
    s.deCall = c.utf8("indicatif");
    s.deGrid = c.utf8("locator");
    s.dxGrid = c.utf8("locator DX");
    return s;
}

QsoLogged readQsoLogged(Cursor &c) {
    QsoLogged q;
    q.off = c.dateTime("date de fin");
    q.dxCall = c.utf8("indicatif DX");
    q.dxGrid = c.utf8("locator DX");
    q.txHz = c.u64("fréquence");
    q.mode = c.utf8("mode");
    q.reportSent = c.utf8("report envoyé");
    q.reportReceived = c.utf8("report reçu");
    q.txPower = c.utf8("puissance");
    q.comments = c.utf8("commentaire", maxLongField);
    q.name = c.utf8("nom", maxLongField);
    // Older senders stop here; what follows is read only when it is there.
    if (c.atEnd() || c.failed())
        return q;
    q.on = c.dateTime("date de début");
    q.operatorCall = c.utf8("opérateur");
    q.myCall = c.utf8("indicatif");
    q.myGrid = c.utf8("locator");
    return q;
}

} // namespace

bool knownType(quint32 rawType) {
    switch (Type(rawType)) {
    case Type::Heartbeat:
    case Type::Status:
    case Type::Decode:
    case Type::Clear:
    case Type::Reply:
    case Type::QsoLogged:
    case Type::Close:
    case Type::Replay:
    case Type::LoggedAdif:
    case Type::HighlightCallsign:
        return true;
    }
    return false;
}

Read readDatagram(QByteArrayView datagram) {
    Read read;
    if (datagram.size() > maxDatagram) {
        read.refusal = QStringLiteral("datagramme trop long");
        return read;
    }
    Cursor c(datagram);
    if (c.u32("nombre magique") != magic) {
        read.refusal = c.failed() ? c.refusal() : QStringLiteral("nombre magique faux");
        return read;
    }
    Message m;
    m.schema = c.u32("schéma");
    if (!c.failed() && (m.schema < 2 || m.schema > 3)) {
        read.refusal = QStringLiteral("schéma %1 inconnu").arg(m.schema);
        return read;
    }
    m.rawType = c.u32("type");
    m.type = Type(m.rawType);
    m.id = c.utf8("identifiant");
    if (!c.failed() && knownType(m.rawType)) {
        switch (m.type) {
        case Type::Heartbeat:
            if (!c.atEnd()) {
                m.maxSchema = c.u32("schéma maximal");
                m.version = c.utf8("version");
            }
            break;
        case Type::Status:
            m.status = readStatus(c);
            break;
        case Type::QsoLogged:
            m.qsoLogged = readQsoLogged(c);
            break;
        case Type::LoggedAdif:
            m.adif = c.bytes("texte ADIF", maxLongField);
            break;
        default:
            // The fields of the other types are of no use to the logger.
            break;
        }
    }
    if (c.failed()) {
        read.refusal = c.refusal();
        return read;
    }
    read.message = std::move(m);
    return read;
}

Writer::Writer(Type type, const QString &id, quint32 schema) {
    u32(magic);
    u32(schema);
    u32(quint32(type));
    utf8(id);
}

Writer &Writer::u8(quint8 v) {
    bytes_.append(char(v));
    return *this;
}

Writer &Writer::u16(quint16 v) {
    char b[2];
    qToBigEndian(v, b);
    bytes_.append(b, 2);
    return *this;
}

Writer &Writer::u32(quint32 v) {
    char b[4];
    qToBigEndian(v, b);
    bytes_.append(b, 4);
    return *this;
}

Writer &Writer::u64(quint64 v) {
    char b[8];
    qToBigEndian(v, b);
    bytes_.append(b, 8);
    return *this;
}

Writer &Writer::f64(double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u64(bits);
}

Writer &Writer::utf8(const QString &text) {
    if (text.isNull())
        return nullUtf8();
    return rawUtf8(text.toUtf8());
}

Writer &Writer::rawUtf8(QByteArrayView bytes) {
    u32(quint32(bytes.size()));
    bytes_.append(bytes.data(), bytes.size());
    return *this;
}

Writer &Writer::time(const QTime &t) {
    return u32(t.isValid() ? quint32(t.msecsSinceStartOfDay()) : nullLength);
}

Writer &Writer::dateTime(const QDateTime &dt) {
    if (!dt.isValid()) {
        u64(quint64(std::numeric_limits<qint64>::min()));
        time(QTime());
        return u8(1);
    }
    const QDateTime utc = dt.toUTC();
    u64(quint64(utc.date().toJulianDay()));
    time(utc.time());
    return u8(1);
}

Writer &Writer::color(std::optional<quint32> rgb) {
    if (!rgb) {
        u8(0);
        for (int i = 0; i < 5; ++i)
            u16(0);
        return *this;
    }
    // Qt keeps each channel on 16 bits: 0xab becomes 0xabab.
    const auto channel = [](quint32 byte) { return quint16((byte & 0xff) * 0x101); };
    u8(1);
    u16(0xffff);
    u16(channel(*rgb >> 16));
    u16(channel(*rgb >> 8));
    u16(channel(*rgb));
    return u16(0);
}

QByteArray highlightCallsign(const QString &senderId, const QString &call,
                             std::optional<quint32> background) {
    Writer w(Type::HighlightCallsign, senderId);
    w.utf8(call);
    w.color(background);
    w.color(background ? std::optional<quint32>(0x000000) : std::nullopt);
    w.boolean(false);
    return w.bytes();
}

} // namespace zep::digital
