#include "core/digital/StationLocator.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace zep::digital {

std::optional<QString> maidenhead(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || latitude < -90 ||
        latitude > 90 || longitude < -180 || longitude > 180)
        return std::nullopt;
    // The north pole and the antimeridian belong to the last square, not one past it.
    const double lon = std::min(longitude + 180.0, 360.0 - 1e-9);
    const double lat = std::min(latitude + 90.0, 180.0 - 1e-9);
    const int fieldLon = int(lon / 20), fieldLat = int(lat / 10);
    const int squareLon = int(std::fmod(lon, 20.0) / 2), squareLat = int(std::fmod(lat, 10.0));
    const int subLon = int(std::fmod(lon, 2.0) * 12), subLat = int(std::fmod(lat, 1.0) * 24);
    QString grid;
    grid += QChar(u'A' + fieldLon);
    grid += QChar(u'A' + fieldLat);
    grid += QChar(u'0' + squareLon);
    grid += QChar(u'0' + squareLat);
    grid += QChar(u'a' + subLon);
    grid += QChar(u'a' + subLat);
    return grid;
}

std::optional<QString> stationLocator(const QString &typed) {
    QString t = typed.simplified().remove(u' ');
    if (t.size() != 4 && t.size() != 6)
        return std::nullopt;
    const auto within = [](QChar c, char16_t first, char16_t last) {
        return c.unicode() >= first && c.unicode() <= last;
    };
    const QString field = t.left(2).toUpper();
    if (!within(field[0], u'A', u'R') || !within(field[1], u'A', u'R') ||
        !within(t[2], u'0', u'9') || !within(t[3], u'0', u'9'))
        return std::nullopt;
    QString grid = field + t.mid(2, 2);
    if (t.size() == 6) {
        const QString sub = t.mid(4, 2).toLower();
        if (!within(sub[0], u'a', u'x') || !within(sub[1], u'a', u'x'))
            return std::nullopt;
        grid += sub;
    }
    return grid;
}

std::optional<GpsReport> readTpv(QByteArrayView line) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("class")).toString() != QLatin1String("TPV"))
        return std::nullopt;
    GpsReport r;
    const QJsonValue lat = o.value(QStringLiteral("lat"));
    const QJsonValue lon = o.value(QStringLiteral("lon"));
    // Mode 2 and 3 are fixes; 0 and 1 (no fix) may still carry an old position.
    r.fix = o.value(QStringLiteral("mode")).toInt() >= 2 && lat.isDouble() && lon.isDouble() &&
            maidenhead(lat.toDouble(), lon.toDouble()).has_value();
    if (r.fix) {
        r.latitude = lat.toDouble();
        r.longitude = lon.toDouble();
    }
    return r;
}

QList<GpsReport> GpsdStream::received(QByteArrayView bytes) {
    QList<GpsReport> reports;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
        if (!dropping_) {
            if (line_.size() + piece.size() > maxLine) {
                line_.clear();
                dropping_ = true;
            } else {
                line_.append(piece.data(), piece.size());
            }
        }
        if (end < 0)
            break;
        if (!dropping_)
            if (const auto r = readTpv(line_))
                reports.append(*r);
        line_.clear();
        dropping_ = false;
        bytes = bytes.sliced(end + 1);
    }
    return reports;
}

} // namespace zep::digital
