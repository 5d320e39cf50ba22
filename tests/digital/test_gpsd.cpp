// The station's locator read from a real gpsd, fed an NMEA file by gpsfake (Debian's gpsd and
// gpsd-clients), compared with the locator worked out here from the file's own position.

#include "DigitalFixture.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

using namespace zep;
using namespace zep::testing;

namespace {

QString sentence(const QString &body) {
    int sum = 0;
    for (const QChar c : body)
        sum ^= c.toLatin1();
    return QStringLiteral("$%1*%2\r\n").arg(body).arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

/// The locator of an NMEA position (ddmm.mmm and dddmm.mmm), counted in thousandths of a
/// minute from the south-west corner of the world: fields of 20 x 10 degrees, squares of
/// 2 x 1 degrees, sub-squares of 5 x 2.5 minutes.
QString locatorOfNmea(const QString &lat, QChar ns, const QString &lon, QChar ew) {
    const auto thousandths = [](const QString &v, int degreeDigits) {
        const qint64 degrees = v.left(degreeDigits).toLongLong();
        const QStringList minutes = v.mid(degreeDigits).split(QLatin1Char('.'));
        return degrees * 60000 + minutes[0].toLongLong() * 1000 +
               minutes.value(1).leftJustified(3, QLatin1Char('0')).left(3).toLongLong();
    };
    const qint64 y = (ns == u'N' ? 1 : -1) * thousandths(lat, 2) + 90 * 60000;
    const qint64 x = (ew == u'E' ? 1 : -1) * thousandths(lon, 3) + 180 * 60000;
    QString g;
    g += QChar(char16_t(u'A' + x / (20 * 60000)));
    g += QChar(char16_t(u'A' + y / (10 * 60000)));
    g += QChar(char16_t(u'0' + x % (20 * 60000) / (2 * 60000)));
    g += QChar(char16_t(u'0' + y % (10 * 60000) / 60000));
    g += QChar(char16_t(u'a' + x % (2 * 60000) / 5000));
    g += QChar(char16_t(u'a' + y % 60000 / 2500));
    return g;
}

quint16 freeTcpPort() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

} // namespace

TEST_F(DigitalTest, TheLocatorComesFromARunningGpsd) {
    if (QStandardPaths::findExecutable("gpsfake").isEmpty())
        GTEST_SKIP() << "gpsfake absent (paquets gpsd et gpsd-clients)";
    const QString lat = "4512.345", lon = "00543.210";
    QString nmea;
    for (int i = 0; i < 5; ++i) {
        const QString t = QStringLiteral("1200%1.00").arg(i, 2, 10, QLatin1Char('0'));
        nmea += sentence(QStringLiteral("GPRMC,%1,A,%2,N,%3,E,0.0,0.0,071226,,,A").arg(t, lat, lon));
        nmea += sentence(
            QStringLiteral("GPGGA,%1,%2,N,%3,E,1,08,0.9,210.0,M,47.0,M,,").arg(t, lat, lon));
    }
    put(path("position.nmea"), nmea.toLatin1());
    const QString expected = locatorOfNmea(lat, u'N', lon, u'E');

    settings.write(keys::locatorSource, QStringLiteral("1"));
    options.gpsdPort = freeTcpPort();
    openWired();
    // No gpsd yet: said so, never a box.
    ZEP_TRY_COMPARE(room->locatorLine()->text(), QStringLiteral("Locator : gpsd absent"), 3000);

    QProcess gpsfake;
    gpsfake.setProcessChannelMode(QProcess::MergedChannels);
    gpsfake.start("gpsfake", {"-q", "-c", "0.2", "-P", QString::number(options.gpsdPort),
                              path("position.nmea")});
    ASSERT_TRUE(gpsfake.waitForStarted(5000));
    // The worker asks again every 5 s.
    ZEP_TRY_COMPARE(room->locatorLine()->text(),
                    QStringLiteral("Locator : %1 (gpsd)").arg(expected), 20000);
    EXPECT_EQ(room->locatorLine()->accessibleName(), room->locatorLine()->text());
    // The last position read is kept as the station's locator, for the exports.
    EXPECT_EQ(settings.read(keys::locator, QString()), expected);
    EXPECT_TRUE(dialogs.shown().empty());
    gpsfake.terminate();
    if (!gpsfake.waitForFinished(5000))
        gpsfake.kill();
    gpsfake.waitForFinished(3000);
}
