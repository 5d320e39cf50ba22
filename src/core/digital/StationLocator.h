#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// Our own station's locator: typed in "Setup", or computed from the position a running gpsd
// reports.

namespace zep::digital {

/// The 6-character Maidenhead locator ("JN18du") of a latitude and longitude in degrees;
/// nothing outside -90..90 and -180..180.
std::optional<QString> maidenhead(double latitude, double longitude);

/// The station's locator as typed: 4 or 6 characters of a locator's shape (blanks and case
/// ignored), written "JN18" or "JN18du"; nothing otherwise.
std::optional<QString> stationLocator(const QString &typed);

/// What gpsd says of the position, as the lines of its JSON come.
struct GpsReport {
    bool fix = false; ///< a 2D or 3D fix with a latitude and longitude
    double latitude = 0, longitude = 0;
};

/// The command that asks gpsd for its reports in JSON.
inline const QByteArray gpsdWatch = QByteArrayLiteral("?WATCH={\"enable\":true,\"json\":true};\n");

/// Cuts gpsd's stream into lines and reads its TPV reports. A line longer than `maxLine` is
/// dropped whole (up to its end), so what is kept never passes that bound; lines of other
/// classes are passed over.
class GpsdStream {
public:
    static constexpr qsizetype maxLine = 16 * 1024;

    /// The TPV reports among the bytes just received, in order.
    QList<GpsReport> received(QByteArrayView bytes);
    qsizetype kept() const { return line_.size(); }

private:
    QByteArray line_;
    bool dropping_ = false;
};

/// One line of gpsd's JSON: a TPV report, or nothing for anything else.
std::optional<GpsReport> readTpv(QByteArrayView line);

} // namespace zep::digital
