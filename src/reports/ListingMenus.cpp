#include "reports/ListingMenus.h"

#include "platform/EntryDoor.h"
#include "reports/Affiche_Log.h"
#include "reports/Liste_Operateurs.h"
#include "reports/Log_Alpha.h"

#include <QAction>

#include <memory>

namespace zep {

namespace {

/// The three windows of "Afficher", owned with the entry window's connections.
struct ListingWindows {
    ListingWindows(const WindowServices &services, EntryDoor &entry)
        : log([services, clock = &entry.clockControl()] {
              return new Affiche_Log(services, clock);
          }),
          alpha(
              [services, clock = &entry.clockControl()] { return new Log_Alpha(services, clock); }),
          operators([services, events = &entry.events()] {
              // The operator list follows the log as the entry window reads it after each
              // change, for as long as it is open.
              auto *window = new Liste_Operateurs(services);
              QObject::connect(events, &EntryEvents::logRefreshed, window,
                               &Liste_Operateurs::followLog);
              return window;
          }) {}
    SingleWindowOpener<Affiche_Log> log;
    SingleWindowOpener<Log_Alpha> alpha;
    SingleWindowOpener<Liste_Operateurs> operators;
};

} // namespace

void connectListingWindows(EntryDoor &entry, const WindowServices &services) {
    auto windows = std::make_shared<ListingWindows>(services, entry);
    const auto add = [&](const char *name, const QString &caption, auto open) {
        QAction *item = entry.addMenuItem(EntryMenu::Show, QString::fromLatin1(name), caption);
        QObject::connect(item, &QAction::triggered, item, [windows, open] { open(*windows); });
    };
    add("Mnu_Aff_Log", QStringLiteral("le log de l'activité"),
        [](ListingWindows &w) { w.log.open(); });
    add("Mnu_Log_Alpha", QStringLiteral("le log alphanumerique de l'activité"),
        [](ListingWindows &w) { w.alpha.open(); });
    add("Mnu_Liste_Op", QStringLiteral("la liste des opérateurs contactés"),
        [](ListingWindows &w) { w.operators.open(); });
}

} // namespace zep
