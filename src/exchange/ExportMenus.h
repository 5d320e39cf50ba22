#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires "Fichiers": the ADIF export, the ADIF 3 export for the award sites and the traffic
/// report export.
void connectExports(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
