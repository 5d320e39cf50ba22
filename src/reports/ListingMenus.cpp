#include "reports/ListingMenus.h"

#include "entry/Saisie_QSO.h"

namespace zep {

void connectListingWindows(Saisie_QSO &entry, const WindowServices &services) {
    (void)entry;
    (void)services;
}

} // namespace zep
