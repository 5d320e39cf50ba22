#include "reports/CountryMapMenus.h"

#include "entry/Saisie_QSO.h"

namespace zep {

void connectCountriesAndMap(Saisie_QSO &entry, const WindowServices &services) {
    (void)entry;
    (void)services;
}

} // namespace zep
