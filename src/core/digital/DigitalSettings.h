#pragma once

#include "core/io/Settings.h"

#include <QString>

#include <optional>

namespace zep {

namespace keys {
/// The listening for QSOs logged by the FT8 and FT4 programs ("0" or "1"), where, and the
/// station's locator, typed ("Locator Source" "0") or read from gpsd ("1").
inline const QString numeriqueActif = QStringLiteral("Numerique Actif");
inline const QString numeriqueAdresse = QStringLiteral("Numerique Adresse");
inline const QString numeriquePort = QStringLiteral("Numerique Port");
inline const QString locator = QStringLiteral("Locator");
inline const QString locatorSource = QStringLiteral("Locator Source");
} // namespace keys

namespace digital {

inline const QString defaultAddress = QStringLiteral("127.0.0.1");
inline constexpr int defaultPort = 2237;
/// Where gpsd is read.
inline const QString gpsdAddress = QStringLiteral("127.0.0.1");
inline constexpr int gpsdPort = 2947;

/// An IPv4 address in dotted form, as four numbers of 0 to 255.
struct Ipv4 {
    quint32 value = 0;
    bool multicast() const { return (value >> 28) == 0xE; }
};
/// The address typed, blanks around ignored; nothing for anything else (a name, IPv6).
std::optional<Ipv4> parseIpv4(const QString &text);

/// The listening as the settings hold it, each value checked: a value that does not hold
/// (edited by hand) gives the default, and `problem` says which (French).
struct ListenSettings {
    bool on = false;
    QString address = defaultAddress;
    quint32 ipv4 = 0x7f000001;
    quint16 port = defaultPort;
    bool operator==(const ListenSettings &) const = default;
};
ListenSettings loadListenSettings(const SettingsStore &settings, QString *problem = nullptr);

/// The checks of the "Trafic numérique" window: empty when the values hold, else the French
/// message naming the field.
QString checkAddress(const QString &typed);
QString checkPort(const QString &typed);
QString checkLocator(const QString &typed);

/// The station's locator: typed ("0") or from gpsd ("1").
enum class LocatorSource { Typed = 0, Gpsd = 1 };
LocatorSource loadLocatorSource(const SettingsStore &settings);
/// The typed locator as the settings hold it, when it holds ("JN18du"); empty otherwise.
QString loadTypedLocator(const SettingsStore &settings);

} // namespace digital
} // namespace zep
