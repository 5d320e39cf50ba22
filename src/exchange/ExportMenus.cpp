#include "exchange/ExportMenus.h"

#include "entry/Saisie_QSO.h"
#include "exchange/Export_ADIF3.h"
#include "exchange/LogExports.h"

#include <QAction>

#include <memory>

namespace zep {

void connectExports(Saisie_QSO &entry, const WindowServices &services) {
    auto exports = std::make_shared<LogExports>(entry, services);
    QObject::connect(entry.Mnu_ADIF, &QAction::triggered, &entry,
                     [exports] { exports->exportAdif(); });
    // "Exporter pour les diplômes (ADIF 3)…": the window goes with the entry window.
    auto adif3 = std::make_shared<Adif3WindowOpener>(services);
    QObject::connect(entry.Mnu_ADIF3, &QAction::triggered, &entry, [adif3] { adif3->open(); });
    QObject::connect(entry.Mnu_C_Trafic, &QAction::triggered, &entry,
                     [exports] { exports->exportTrafficReport(); });
}

} // namespace zep
