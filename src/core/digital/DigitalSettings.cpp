#include "core/digital/DigitalSettings.h"

#include "core/digital/StationLocator.h"

#include <QStringList>

namespace zep::digital {

std::optional<Ipv4> parseIpv4(const QString &text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    Ipv4 ip;
    for (const QString &p : parts) {
        if (p.isEmpty() || p.size() > 3 ||
            !std::all_of(p.begin(), p.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        const int n = p.toInt();
        if (n > 255)
            return std::nullopt;
        ip.value = (ip.value << 8) | quint32(n);
    }
    return ip;
}

QString checkAddress(const QString &typed) {
    if (!parseIpv4(typed))
        return QStringLiteral("L'adresse doit être une adresse IPv4, par exemple 127.0.0.1, ou "
                              "un groupe de multidiffusion (224.0.0.0 à 239.255.255.255).");
    return {};
}

QString checkPort(const QString &typed) {
    bool ok = false;
    const int port = typed.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return QStringLiteral("Le port doit être un nombre de 1 à 65535.");
    return {};
}

QString checkLocator(const QString &typed) {
    if (typed.trimmed().isEmpty() || stationLocator(typed))
        return {};
    return QStringLiteral("Le locator doit avoir 4 ou 6 caractères, par exemple JN18 ou JN18du.");
}

ListenSettings loadListenSettings(const SettingsStore &settings, QString *problem) {
    ListenSettings s;
    QStringList wrong;
    const QString on = settings.read(keys::numeriqueActif, QStringLiteral("0")).trimmed();
    if (on == QLatin1String("1"))
        s.on = true;
    else if (on != QLatin1String("0"))
        wrong.append(keys::numeriqueActif);
    const QString address = settings.read(keys::numeriqueAdresse, defaultAddress).trimmed();
    if (const auto ip = parseIpv4(address)) {
        s.address = address;
        s.ipv4 = ip->value;
    } else {
        wrong.append(keys::numeriqueAdresse);
    }
    const QString port =
        settings.read(keys::numeriquePort, QString::number(defaultPort)).trimmed();
    if (checkPort(port).isEmpty())
        s.port = quint16(port.toInt());
    else
        wrong.append(keys::numeriquePort);
    if (problem)
        *problem = wrong.isEmpty() ? QString()
                                   : QStringLiteral("Réglage du trafic numérique incorrect (%1) : "
                                                    "la valeur par défaut est prise.")
                                         .arg(wrong.join(QStringLiteral(", ")));
    return s;
}

LocatorSource loadLocatorSource(const SettingsStore &settings) {
    return settings.read(keys::locatorSource, QStringLiteral("0")).trimmed() == QLatin1String("1")
               ? LocatorSource::Gpsd
               : LocatorSource::Typed;
}

QString loadTypedLocator(const SettingsStore &settings) {
    return stationLocator(settings.read(keys::locator, QString())).value_or(QString());
}

} // namespace zep::digital
