#include "cluster/SpotMenus.h"

#include "cluster/Annonces.h"
#include "cluster/Setup_Cluster.h"
#include "core/adif/ReferenceShapes.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/log/QsoLine.h"
#include "entry/Saisie_QSO.h"
#include "platform/StatusLabel.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <cmath>

namespace zep {

SpotSources &spotSources(Saisie_QSO &entry, FeedTimings feedTimings, PotaTimings potaTimings) {
    if (auto *sources = entry.findChild<SpotSources *>(QStringLiteral("SpotSources"),
                                                       Qt::FindDirectChildrenOnly))
        return *sources;
    return *new SpotSources(feedTimings, potaTimings, &entry);
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

Annonces &connectSpots(Saisie_QSO &entry, const WindowServices &services, const Clock &clock,
                       TuneRadio tune) {
    SpotSources &sources = spotSources(entry);
    SpotContext context{[&entry] { return entry.Bande_Q->currentText(); },
                        [&entry] { return entry.Mode_Q->currentText(); },
                        [&entry] {
                            QStringList rows;
                            for (int i = 0; i < entry.Bande_Q->count(); ++i)
                                rows.append(entry.Bande_Q->itemText(i));
                            return rows;
                        },
                        [activation = &services.activation] {
                            const CurrentActivation a = activation->currentActivation();
                            QStringList programmes;
                            for (const QString &reference : {a.numActivite, a.numActivite1})
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
            entry.raise();
            entry.activateWindow();
        },
        &entry);

    QObject::connect(&sources.cluster, &SpotFeed::spotsArrived, window, &Annonces::addSpots);
    QObject::connect(&sources.pota, &PotaFeed::spotsArrived, window, &Annonces::addSpots);
    QObject::connect(&sources.cluster, &SpotFeed::statusChanged, window->Etat_Cluster,
                     &StatusLabel::setText);
    QObject::connect(&sources.pota, &PotaFeed::statusChanged, window->Etat_POTA,
                     &StatusLabel::setText);
    QObject::connect(&entry, &Saisie_QSO::logRefreshed, window,
                     [window](const LogReading &log) { window->setWorked(workedOf(log.lines)); });
    QObject::connect(entry.Bande_Q, &QComboBox::currentTextChanged, window, &Annonces::refresh);
    QObject::connect(entry.Mode_Q, &QComboBox::currentTextChanged, window, &Annonces::refresh);

    auto *open = entry.Mnu_Afficher->addAction(QStringLiteral("les annonces (cluster et POTA)"));
    open->setObjectName(QStringLiteral("Mnu_Annonces"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    QObject::connect(open, &QAction::triggered, window, &Annonces::Form_Load);

    const auto follow = [&sources, services, window] {
        sources.follow(services.settings, services.activation.currentActivation());
        window->setLifetime(spotLifetimeMinutes(services.settings));
    };
    QObject::connect(entry.Mnu_Cluster, &QAction::triggered, window, [&entry, follow] {
        // The setup window opened by the same item says when it saved.
        auto *setup = entry.findChild<Setup_Cluster *>();
        if (setup && !setup->property("spotsFollow").toBool()) {
            setup->setProperty("spotsFollow", true);
            QObject::connect(setup, &Setup_Cluster::saved, setup, follow);
        }
    });
    follow();
    return *window;
}

} // namespace zep
