#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires "Fichiers": the ADIF export and the traffic report export.
void connectExports(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
