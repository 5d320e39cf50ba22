#pragma once

// The FT8 program's side of the UDP exchange, written with QDataStream as its published
// message format says (big endian, magic 0xadbccbda; schema 2 is QDataStream::Qt_5_2, schema 3
// Qt_5_4; strings are UTF-8 QByteArrays), independently of the program's own reader.

#include <QByteArray>
#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QString>

#include <functional>

namespace zep::testsender {

struct LoggedQso {
    QDateTime off = QDateTime(QDate(2026, 12, 7), QTime(9, 59, 45), Qt::UTC);
    QString call = QStringLiteral("DL1ABC");
    QString grid = QStringLiteral("JO62");
    quint64 hz = 14074000;
    QString mode = QStringLiteral("FT8");
    QString sent = QStringLiteral("-12"), received = QStringLiteral("+05");
    QString power = QStringLiteral("10"), comments = QStringLiteral("merci pour le qso");
    QString name = QStringLiteral("Hans");
    QDateTime on = QDateTime(QDate(2026, 12, 7), QTime(9, 58, 30), Qt::UTC);
    QString op = QStringLiteral("F4ABC"), myCall = QStringLiteral("F4ABC/P");
    QString myGrid = QStringLiteral("JN18du");
    bool withOn = true; ///< false: an older sender, stopping after the name
};

/// A message of `type` from `id`, its fields written by `fields`.
inline QByteArray message(quint32 type, const QString &id, quint32 schema,
                          const std::function<void(QDataStream &)> &fields = {}) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(schema <= 2 ? QDataStream::Qt_5_2 : QDataStream::Qt_5_4);
    out << quint32(0xadbccbda) << schema << type << id.toUtf8();
    if (fields)
        fields(out);
    return bytes;
}

inline QByteArray heartbeat(const QString &id, quint32 schema) {
    return message(0, id, schema, [schema](QDataStream &s) {
        if (schema >= 3)
            s << quint32(3) << QByteArray("2.7.0") << QByteArray("abc123");
    });
}

inline QByteArray status(const QString &id, quint32 schema, quint64 hz, const QString &mode) {
    return message(1, id, schema, [&](QDataStream &s) {
        s << hz << mode.toUtf8() << QByteArray("DL1ABC") << QByteArray("-12") << mode.toUtf8()
          << true << false << true << quint32(1500) << quint32(1200) << QByteArray("F4ABC")
          << QByteArray("JN18du") << QByteArray("JO62") << false << QByteArray() << false
          << quint8(0) << quint32(0xffffffff) << quint32(15) << QByteArray("Default")
          << QByteArray("DL1ABC F4ABC -12");
    });
}

inline QByteArray decode(const QString &id, quint32 schema) {
    return message(2, id, schema, [](QDataStream &s) {
        s << true << QTime(9, 58, 15) << qint32(-7) << 0.2 << quint32(1234) << QByteArray("~")
          << QByteArray("CQ DL1ABC JO62") << false << false;
    });
}

inline QByteArray qsoLogged(const QString &id, quint32 schema, const LoggedQso &q) {
    return message(5, id, schema, [&](QDataStream &s) {
        s << q.off << q.call.toUtf8() << q.grid.toUtf8() << q.hz << q.mode.toUtf8()
          << q.sent.toUtf8() << q.received.toUtf8() << q.power.toUtf8() << q.comments.toUtf8()
          << q.name.toUtf8();
        if (q.withOn)
            s << q.on << q.op.toUtf8() << q.myCall.toUtf8() << q.myGrid.toUtf8()
              << QByteArray("") << QByteArray("") << QByteArray("");
    });
}

/// The ADIF text the FT8 program sends with a QSO it logged.
inline QByteArray adifText(const LoggedQso &q) {
    const auto f = [](const char *name, const QString &v) {
        const QByteArray b = v.toUtf8();
        return QByteArray("<") + name + ':' + QByteArray::number(b.size()) + '>' + b + ' ';
    };
    QByteArray a = "\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n";
    const bool ft4 = q.mode == QLatin1String("FT4");
    a += f("call", q.call) + f("gridsquare", q.grid) +
         f("mode", ft4 ? QStringLiteral("MFSK") : q.mode);
    if (ft4)
        a += f("submode", q.mode);
    a += f("rst_sent", q.sent) + f("rst_rcvd", q.received) +
         f("qso_date", q.on.toString(QStringLiteral("yyyyMMdd"))) +
         f("time_on", q.on.toString(QStringLiteral("hhmmss"))) +
         f("qso_date_off", q.off.toString(QStringLiteral("yyyyMMdd"))) +
         f("time_off", q.off.toString(QStringLiteral("hhmmss"))) + f("band", QStringLiteral("20m")) +
         f("freq", QString::number(double(q.hz) / 1e6, 'f', 6)) + f("station_callsign", q.myCall) +
         f("my_gridsquare", q.myGrid) + f("comment", q.comments) + " <EOR>";
    return a;
}

inline QByteArray loggedAdif(const QString &id, quint32 schema, const LoggedQso &q) {
    return message(12, id, schema, [&](QDataStream &s) { s << adifText(q); });
}

inline QByteArray close(const QString &id, quint32 schema) {
    return message(6, id, schema);
}

} // namespace zep::testsender
