#include "reports/ExportMenus.h"

#include "entry/Saisie_QSO.h"

namespace zep {

void connectExports(Saisie_QSO &entry, const WindowServices &services) {
    (void)entry;
    (void)services;
}

} // namespace zep
