#include "labels/LabelMenus.h"

#include "entry/Saisie_QSO.h"

namespace zep {

void connectLabelWindows(Saisie_QSO &entry, const WindowServices &services) {
    (void)entry;
    (void)services;
}

} // namespace zep
