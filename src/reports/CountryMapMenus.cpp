#include "reports/CountryMapMenus.h"

#include "entry/Saisie_QSO.h"
#include "reports/Carte_Acti.h"
#include "reports/Pays_Cont.h"

#include <QAction>

#include <memory>

namespace zep {

void connectCountriesAndMap(Saisie_QSO &entry, const WindowServices &services) {
    // "Afficher" > "les pays contactés".
    connectCountriesWindow(entry, services);
    // "Carte" > "Départements contactés": the map, one window at a time, which goes with the
    // entry window.
    auto map = std::make_shared<MapWindowOpener>(entry, services);
    QObject::connect(entry.Mnu_Dpt_Cont, &QAction::triggered, &entry, [map] { map->open(); });
}

} // namespace zep
