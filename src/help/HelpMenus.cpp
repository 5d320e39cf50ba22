#include "help/HelpMenus.h"

#include "entry/Saisie_QSO.h"

namespace zep {

void connectHelpMenu(Saisie_QSO &entry, const WindowServices &services) {
    (void)entry;
    (void)services;
}

} // namespace zep
