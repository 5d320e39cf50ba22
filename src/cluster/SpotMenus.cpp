#include "cluster/SpotMenus.h"

#include "cluster/Annonces.h"
#include "cluster/Setup_Cluster.h"
#include "core/adif/ReferenceShapes.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/log/QsoLine.h"
#include "platform/EntryDoor.h"
#include "platform/StatusLabel.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <cmath>

namespace zep {

SpotSources &spotSources(EntryDoor &entry, FeedTimings feedTimings, PotaTimings potaTimings) {
    if (auto *sources = entry.widget()->findChild<SpotSources *>(QStringLiteral("SpotSources"),
                                                                 Qt::FindDirectChildrenOnly))
        return *sources;
    return *new SpotSources(feedTimings, potaTimings, entry.widget());
}

namespace {

/// The log's QSOs as the spots' states need them.
spots::WorkedSet workedOf(const QStringList &lines) {
    spots::WorkedSet worked;
    worked.reserve(lines.size());
    for (const QString &line : lines) {
        const QsoFields f = readQsoLine(line);
        worked.insert(spots::workedKey(f.call, f.band, f.mode));
    }
    return worked;
}

} // namespace

Annonces &connectSpots(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                       TuneRadio tune) {
    SpotSources &sources = spotSources(entry);
    SpotContext context{[&entry] { return entry.band(); }, [&entry] { return entry.mode(); },
                        [&entry] { return entry.bands(); },
                        [activation = &services.activation] {
                            const CurrentActivation a = activation->currentActivation();
                            QStringList programmes;
                            for (const QString &reference : {a.reference, a.secondReference})
                                if (adif3::schemeOf(reference) == adif::Scheme::Other &&
                                    !adif3::programmeOf(reference).isEmpty())
                                    programmes.append(adif3::programmeOf(reference));
                            return programmes;
                        }};
    auto *window = new Annonces(
        services.settings, clock, std::move(context),
        [&entry, tune](const spots::Spot &spot) {
            const qint64 hz = std::llround(spot.kHz * 1000);
            entry.takeSpot(spot.call, spot.reference, hz, spot.mode);
            if (tune && entry.radioReading().state != RigReading::State::NoLink)
                tune(hz, spot.mode);
        },
        [&entry] {
            entry.widget()->raise();
            entry.widget()->activateWindow();
        },
        entry.widget());

    QObject::connect(&sources.cluster, &SpotFeed::spotsArrived, window, &Annonces::addSpots);
    QObject::connect(&sources.pota, &PotaFeed::spotsArrived, window, &Annonces::addSpots);
    QObject::connect(&sources.cluster, &SpotFeed::statusChanged, window->Etat_Cluster,
                     &StatusLabel::setText);
    QObject::connect(&sources.pota, &PotaFeed::statusChanged, window->Etat_POTA,
                     &StatusLabel::setText);
    QObject::connect(&entry.events(), &EntryEvents::logRefreshed, window,
                     [window](const LogReading &log) { window->setWorked(workedOf(log.lines)); });
    QObject::connect(&entry.events(), &EntryEvents::bandOrModeChanged, window, &Annonces::refresh);

    QAction *open = entry.addMenuItem(EntryMenu::Show, QStringLiteral("Mnu_Annonces"),
                                      QStringLiteral("les annonces (cluster et POTA)"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QObject::connect(open, &QAction::triggered, window, &Annonces::Form_Load);

    const auto follow = [&sources, services, window] {
        sources.follow(services.settings, services.activation.currentActivation());
        window->setLifetime(spotLifetimeMinutes(services.settings));
    };
    // "Setup" > "Cluster…", added by the cluster's wiring, which runs first.
    auto *clusterItem = entry.widget()->findChild<QAction *>(QStringLiteral("Mnu_Cluster"));
    if (clusterItem)
        QObject::connect(clusterItem, &QAction::triggered, window, [&entry, follow] {
            // The setup window opened by the same item says when it saved.
            auto *setup = entry.widget()->findChild<Setup_Cluster *>();
            if (setup && !setup->property("spotsFollow").toBool()) {
                setup->setProperty("spotsFollow", true);
                QObject::connect(setup, &Setup_Cluster::saved, setup, follow);
            }
        });
    follow();
    return *window;
}

} // namespace zep
