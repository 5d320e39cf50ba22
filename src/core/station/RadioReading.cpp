#include "core/station/RadioReading.h"

#include "core/adif/AdifData.h"
#include "core/adif/AdifTables.h"

#include <cmath>

namespace zep {

RigLink RigLink::load(const SettingsStore &settings) {
    RigLink link;
    link.kind = RigLink::Kind(settings.readIndex(keys::catLiaison, 0, 3));
    link.host = settings.read(keys::catHote, link.host).trimmed();
    if (link.host.isEmpty())
        link.host = RigLink().host;
    const int port = settings.readInt(keys::catPort, link.port);
    link.port = port > 0 && port < 65536 ? port : RigLink().port;
    const int model = settings.readInt(keys::catModele, link.model);
    link.model = model > 0 ? model : RigLink().model;
    link.device = settings.read(keys::catPeripherique, QString());
    const int speed = settings.readInt(keys::catVitesse, link.speed);
    link.speed = speed > 0 ? speed : RigLink().speed;
    return link;
}

void RigLink::save(SettingsStore &settings) const {
    settings.writeInt(keys::catLiaison, int(kind));
    settings.write(keys::catHote, host);
    settings.writeInt(keys::catPort, port);
    settings.writeInt(keys::catModele, model);
    settings.write(keys::catPeripherique, device);
    settings.writeInt(keys::catVitesse, speed);
}

namespace radio {

namespace {

std::optional<adif::BandLimits> limitsOfRow(const QString &row) {
    bool ok = false;
    const double mhz = row.trimmed().toDouble(&ok);
    if (!ok || mhz <= 0)
        return std::nullopt;
    // A row names its band by the round figure at or under the band's lower limit ("10" for
    // 10.1 to 10.15 MHz, "24" for 24.89 to 24.99 MHz): its band is the one starting lowest at
    // or above that figure, less than 1 MHz above it.
    std::optional<adif::BandLimits> found;
    for (int i = 0; i < adif::tables::bandCount; ++i) {
        const adif::tables::BandRow &b = adif::tables::bands[i];
        if (b.lowerMHz >= mhz && b.lowerMHz - mhz < 1.0 && (!found || b.lowerMHz < found->lowerMHz))
            found = adif::BandLimits{b.lowerMHz, b.upperMHz};
    }
    return found;
}

bool holds(const adif::BandLimits &limits, qint64 hz) {
    // Compared in hertz so that a limit is never missed by a rounding of the megahertz.
    const auto lower = qint64(std::llround(limits.lowerMHz * 1e6));
    const auto upper = qint64(std::llround(limits.upperMHz * 1e6));
    return hz >= lower && hz <= upper;
}

} // namespace

std::optional<int> bandRow(qint64 hz, const QStringList &rows) {
    for (int i = 0; i < rows.size(); ++i)
        if (const auto limits = limitsOfRow(rows.at(i)); limits && holds(*limits, hz))
            return i;
    return std::nullopt;
}

bool bandHolds(const QString &band, qint64 hz) {
    const auto limits = limitsOfRow(band);
    return limits && holds(*limits, hz);
}

QString modeBoxText(const QString &hamlibMode) {
    const QString m = hamlibMode.trimmed().toUpper();
    struct Alias {
        const char *hamlib;
        const char *box;
    };
    // Hamlib's names for variants of one ADIF mode (sideband, narrow filter, synchronous AM...).
    static constexpr Alias aliases[] = {
        {"USB", "SSB"}, {"LSB", "SSB"},  {"ECSSUSB", "SSB"},  {"ECSSLSB", "SSB"},
        {"CW", "CW"},   {"CWR", "CW"},   {"CWN", "CW"},       {"AM", "AM"},
        {"AMS", "AM"},  {"SAM", "AM"},   {"AMN", "AM"},       {"FM", "FM"},
        {"FMN", "FM"},  {"WFM", "FM"},   {"RTTY", "RTTY"},    {"RTTYR", "RTTY"},
        {"PSK", "PSK"}, {"PSKR", "PSK"}, {"D-STAR", "DSTAR"}, {"C4FM", "C4FM"},
    };
    for (const Alias &a : aliases)
        if (m == QLatin1String(a.hamlib))
            return QString::fromLatin1(a.box);
    // Anything else only when ADIF knows it as a mode by the same name (packet variants such
    // as PKTUSB say nothing of the data mode in use).
    const QByteArray latin = m.toLatin1();
    if (!m.isEmpty() && adif::isMode(latin))
        return m;
    return QString();
}

QString hamlibMode(const QString &box, qint64 hz) {
    const QString m = box.trimmed().toUpper();
    if (m == QLatin1String("SSB")) {
        constexpr qint64 sidebandTurn = 10'000'000;
        const bool sixtyMetres = hz >= 5'060'000 && hz <= 5'450'000;
        return QString::fromLatin1(hz < sidebandTurn && !sixtyMetres ? "LSB" : "USB");
    }
    static constexpr const char *same[] = {"CW", "AM", "FM", "RTTY"};
    for (const char *name : same)
        if (m == QLatin1String(name))
            return m;
    // ADIF's digital modes that a transceiver sends from its data input on the upper sideband.
    static constexpr const char *data[] = {"FT8",   "FT4",    "JT65", "JT9", "PSK",         "PSK31",
                                           "PSK63", "OLIVIA", "MFSK", "JS8", "DIGITALVOICE"};
    for (const char *name : data)
        if (m == QLatin1String(name))
            return QStringLiteral("PKTUSB");
    return QString();
}

QString kiloHertz(qint64 hz) {
    const bool negative = hz < 0;
    const qint64 centi = (negative ? -hz : hz) / 10 + (((negative ? -hz : hz) % 10) >= 5 ? 1 : 0);
    QString whole = QString::number(centi / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(' '));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char(',') +
           QStringLiteral("%1").arg(centi % 100, 2, 10, QLatin1Char('0'));
}

QString stateLine(const RigReading &reading, bool outOfBand) {
    switch (reading.state) {
    case RigReading::State::NoLink:
        return QString();
    case RigReading::State::Silent:
        return QStringLiteral("Poste : pas de réponse");
    case RigReading::State::Answering:
        break;
    }
    QString line = QStringLiteral("Poste : ") + kiloHertz(reading.hz) + QStringLiteral(" kHz");
    if (!reading.mode.isEmpty())
        line += QLatin1Char(' ') + reading.mode;
    if (outOfBand)
        line += QStringLiteral(" hors bande");
    return line;
}

} // namespace radio

} // namespace zep
