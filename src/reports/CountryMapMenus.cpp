#include "reports/CountryMapMenus.h"

#include "platform/EntryDoor.h"
#include "reports/Carte_Acti.h"
#include "reports/Pays_Cont.h"

#include <QAction>

#include <memory>

namespace zep {

void connectCountriesAndMap(EntryDoor &entry, const WindowServices &services) {
    // "Afficher" > "les pays contactés".
    connectCountriesWindow(entry, services);
    // "Carte" > "Départements contactés": the map, one window at a time, which goes with the
    // entry window.
    auto map = std::make_shared<MapWindowOpener>(entry, services);
    QAction *item = entry.addMenuItem(EntryMenu::Map, QStringLiteral("Mnu_Dpt_Cont"),
                                      QStringLiteral("Départements contactés"));
    QObject::connect(item, &QAction::triggered, item, [map] { map->open(); });
}

} // namespace zep
