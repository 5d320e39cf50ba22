#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires "Afficher": the log display, the sorted log and the operator list.
void connectListingWindows(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
