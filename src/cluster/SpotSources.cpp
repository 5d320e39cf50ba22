#include "cluster/SpotSources.h"

#include "cluster/Annonces.h"
#include "cluster/Setup_Cluster.h"

namespace zep {

SpotSources::SpotSources(FeedTimings feedTimings, PotaTimings potaTimings, QObject *parent)
    : QObject(parent), cluster(feedTimings), pota(potaTimings) {
    setObjectName(QStringLiteral("SpotSources"));
}

std::optional<QString> potaAddress(const SettingsStore &settings) {
    return spots::potaBaseAddress(settings.read(keys::potaAdresse, spots::potaDefaultAddress));
}

void SpotSources::follow(const SettingsStore &settings, const CurrentActivation &activation) {
    if (settings.read(keys::clusterAnnonces, QStringLiteral("0")).trimmed() == QLatin1String("1")) {
        const QString host = settings.read(keys::clusterHote, QString()).trimmed();
        const int port = settings.readInt(keys::clusterPort, defaultClusterPort);
        if (host.isEmpty() || port < 1 || port > 65535) {
            cluster.stop();
            emit cluster.statusChanged(QStringLiteral("Cluster : indiquez l'hôte et le port"));
        } else {
            cluster.start({host, quint16(port), clusterLogin(settings, activation)});
        }
    } else {
        cluster.stop();
    }
    if (settings.read(keys::potaAnnonces, QStringLiteral("0")).trimmed() == QLatin1String("1")) {
        if (const std::optional<QString> base = potaAddress(settings)) {
            pota.start(*base);
        } else {
            pota.stop();
            emit pota.statusChanged(QStringLiteral("POTA : adresse invalide"));
        }
    } else {
        pota.stop();
    }
}

} // namespace zep
