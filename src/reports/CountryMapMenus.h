#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires the countries worked ("Afficher") and the departments map ("Carte").
void connectCountriesAndMap(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
