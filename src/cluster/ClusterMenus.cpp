#include "cluster/ClusterMenus.h"

#include "cluster/Setup_Cluster.h"
#include "platform/EntryDoor.h"

#include <QAction>
#include <QKeySequence>
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

void connectCluster(EntryDoor &entry, const WindowServices &services, FrequencySource frequency,
                    ClusterTimings timings) {
    auto windows = std::make_shared<ClusterWindows>();
    QAction *announce = entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Annonce_Cluster"),
                                          QStringLiteral("Annoncer sur le cluster…"));
    announce->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QObject::connect(
        announce, &QAction::triggered, announce, [windows, services, frequency, timings, &entry] {
            if (!windows->announce) {
                // Kept when closed, so that an answer still on its way has
                // somewhere to show; it goes with the entry window.
                windows->announce =
                    new Annonce_Cluster(services, entry, frequency, timings, entry.widget());
            }
            windows->announce->Form_Load();
        });
    QAction *setup = entry.addMenuItem(EntryMenu::Setup, QStringLiteral("Mnu_Cluster"),
                                       QStringLiteral("Cluster…"));
    QObject::connect(setup, &QAction::triggered, setup, [windows, services, &entry] {
        if (!windows->setup) {
            windows->setup = new Setup_Cluster(services, entry.widget());
            windows->setup->setAttribute(Qt::WA_DeleteOnClose);
        }
        windows->setup->Form_Load();
    });
}

} // namespace zep
