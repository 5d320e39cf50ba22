#pragma once

#include "cluster/PotaFeed.h"
#include "cluster/SpotFeed.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"

#include <QObject>

namespace zep {

/// Where the spots come from: the staying cluster connection and POTA's spot list, one pair
/// per entry window, started and stopped as "Recevoir les annonces" and "Recevoir les
/// annonces POTA" say.
class SpotSources : public QObject {
    Q_OBJECT
public:
    SpotSources(FeedTimings feedTimings, PotaTimings potaTimings, QObject *parent);

    /// Starts or stops each source as the settings now say (the node, its port, the login,
    /// the POTA address); a setting that is no valid value leaves its source stopped and says
    /// why on its status line.
    void follow(const SettingsStore &settings, const CurrentActivation &activation);

    SpotFeed cluster;
    PotaFeed pota;
};

/// The POTA address the settings hold, checked; nothing when it is no http(s) address.
std::optional<QString> potaAddress(const SettingsStore &settings);

} // namespace zep
