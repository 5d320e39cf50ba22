#include "core/station/PotaSpots.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QUrl>

namespace zep::spots {

namespace {

/// A text field of the list, cut to what the window shows.
QString field(const QJsonObject &o, const char *name, qsizetype max) {
    QString text = o.value(QLatin1String(name)).toString().simplified();
    text.truncate(max);
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return text;
}

} // namespace

std::optional<QString> potaBaseAddress(const QString &setting) {
    const QString text = setting.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || text.size() > 200 || !url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.hasQuery() || url.hasFragment())
        return std::nullopt;
    QString base = url.toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

std::optional<QList<Spot>> parsePotaSpots(const QByteArray &body, qint64 nowMs, QString *error) {
    const auto refuse = [error](const QString &why) -> std::optional<QList<Spot>> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (body.size() > potaMaxAnswer)
        return refuse(QStringLiteral("réponse trop longue"));
    QJsonParseError parsed{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parsed);
    if (parsed.error != QJsonParseError::NoError || !doc.isArray())
        return refuse(QStringLiteral("réponse illisible"));
    const QJsonArray array = doc.array();
    QList<Spot> spots;
    for (const QJsonValue &value : array) {
        if (spots.size() >= potaMaxSpots)
            break;
        const QJsonObject o = value.toObject();
        Spot spot;
        spot.source = Source::Pota;
        spot.call = field(o, "activator", 15).toUpper();
        const QJsonValue f = o.value(QLatin1String("frequency"));
        bool ok = false;
        spot.kHz = f.isDouble() ? f.toDouble() : f.toString().trimmed().toDouble(&ok);
        if (f.isDouble())
            ok = true;
        if (spot.call.isEmpty() || spot.call.contains(QLatin1Char(' ')) || !ok ||
            !(spot.kHz >= 100 && spot.kHz <= 300e6))
            continue;
        spot.spotter = field(o, "spotter", 16).toUpper();
        spot.mode = field(o, "mode", 8).toUpper();
        if (spot.mode == QLatin1String("USB") || spot.mode == QLatin1String("LSB"))
            spot.mode = QStringLiteral("SSB");
        spot.reference = field(o, "reference", 12).toUpper();
        spot.comment = field(o, "comments", 120);
        spot.seenMs = nowMs;
        QDateTime time = QDateTime::fromString(field(o, "spotTime", 32), Qt::ISODate);
        if (time.isValid()) {
            time.setTimeZone(QTimeZone::utc());
            spot.utcMinutes = time.time().hour() * 60 + time.time().minute();
            spot.seenMs = std::min(nowMs, time.toMSecsSinceEpoch());
        }
        spots.append(spot);
    }
    return spots;
}

QByteArray selfSpotBody(const SelfSpot &spot) {
    QJsonObject o;
    o.insert(QStringLiteral("activator"), spot.activator.trimmed().toUpper());
    o.insert(QStringLiteral("spotter"), spot.spotter.trimmed().toUpper());
    o.insert(QStringLiteral("frequency"), QString::number(spot.kHz, 'f', 1));
    o.insert(QStringLiteral("reference"), spot.reference.trimmed().toUpper());
    o.insert(QStringLiteral("mode"), spot.mode.trimmed().toUpper());
    o.insert(QStringLiteral("source"), QStringLiteral("ZEP_Rozadovev"));
    o.insert(QStringLiteral("comments"), spot.comments.trimmed());
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<SelfSpot> readSelfSpotBody(const QByteArray &body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    bool ok = false;
    SelfSpot spot{o.value(QLatin1String("activator")).toString(),
                  o.value(QLatin1String("spotter")).toString(),
                  o.value(QLatin1String("frequency")).toString().toDouble(&ok),
                  o.value(QLatin1String("reference")).toString(),
                  o.value(QLatin1String("mode")).toString(),
                  o.value(QLatin1String("comments")).toString()};
    if (!ok)
        return std::nullopt;
    return spot;
}

QString selfSpotAnswer(int httpStatus, const QByteArray &body, const QString &networkError) {
    if (httpStatus >= 200 && httpStatus < 300)
        return QStringLiteral("POTA : annonce reçue");
    if (httpStatus == 0)
        return QStringLiteral("POTA : ") +
               (networkError.isEmpty() ? QStringLiteral("pas de réponse") : networkError);
    QString first = QString::fromUtf8(body.left(200)).section(QLatin1Char('\n'), 0, 0).simplified();
    return QStringLiteral("POTA : erreur %1").arg(httpStatus) +
           (first.isEmpty() ? QString() : QStringLiteral(" (") + first + QLatin1Char(')'));
}

} // namespace zep::spots
