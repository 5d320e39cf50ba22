#include "exchange/ExportMenus.h"

#include "exchange/Export_ADIF3.h"
#include "exchange/LogExports.h"
#include "platform/EntryDoor.h"

#include <QAction>

#include <memory>

namespace zep {

void connectExports(EntryDoor &entry, const WindowServices &services) {
    auto exports = std::make_shared<LogExports>(entry, services);
    QAction *adif = entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_ADIF"),
                                      QStringLiteral("Exporter au format ADIF"));
    QObject::connect(adif, &QAction::triggered, adif, [exports] { exports->exportAdif(); });
    // "Exporter pour les diplômes (ADIF 3)…": the window goes with the entry window.
    auto adif3 = std::make_shared<Adif3WindowOpener>(services);
    QAction *awards = entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_ADIF3"),
                                        QStringLiteral("Exporter pour les diplômes (ADIF 3)…"));
    QObject::connect(awards, &QAction::triggered, awards, [adif3] { adif3->open(); });
    QAction *traffic = entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_C_Trafic"),
                                         QStringLiteral("Exporter au format C_Trafic"));
    QObject::connect(traffic, &QAction::triggered, traffic,
                     [exports] { exports->exportTrafficReport(); });
}

} // namespace zep
