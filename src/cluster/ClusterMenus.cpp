#include "cluster/ClusterMenus.h"

#include "cluster/Setup_Cluster.h"
#include "entry/Saisie_QSO.h"

#include <QAction>
#include <QPointer>

#include <memory>

namespace zep {

namespace {

/// The two windows, one of each at a time: asking again brings the open one to the front.
struct ClusterWindows {
    QPointer<Annonce_Cluster> announce;
    QPointer<Setup_Cluster> setup;
};

} // namespace

void connectCluster(Saisie_QSO &entry, const WindowServices &services, FrequencySource frequency,
                    ClusterTimings timings) {
    auto windows = std::make_shared<ClusterWindows>();
    QObject::connect(entry.Mnu_Annonce_Cluster, &QAction::triggered, &entry,
                     [windows, services, frequency, timings, &entry] {
                         if (!windows->announce) {
                             // Kept when closed, so that an answer still on its way has
                             // somewhere to show; it goes with the entry window.
                             windows->announce =
                                 new Annonce_Cluster(services, entry, frequency, timings, &entry);
                         }
                         windows->announce->Form_Load();
                     });
    QObject::connect(entry.Mnu_Cluster, &QAction::triggered, &entry, [windows, services, &entry] {
        if (!windows->setup) {
            windows->setup = new Setup_Cluster(services, &entry);
            windows->setup->setAttribute(Qt::WA_DeleteOnClose);
        }
        windows->setup->Form_Load();
    });
}

} // namespace zep
