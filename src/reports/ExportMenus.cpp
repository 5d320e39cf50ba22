#include "reports/ExportMenus.h"

#include "entry/Saisie_QSO.h"
#include "reports/LogExports.h"

#include <QAction>

#include <memory>

namespace zep {

void connectExports(Saisie_QSO &entry, const WindowServices &services) {
    auto exports = std::make_shared<LogExports>(entry, services);
    QObject::connect(entry.Mnu_ADIF, &QAction::triggered, &entry,
                     [exports] { exports->exportAdif(); });
    QObject::connect(entry.Mnu_C_Trafic, &QAction::triggered, &entry,
                     [exports] { exports->exportTrafficReport(); });
}

} // namespace zep
