#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires "Etiquettes": the QSO selection for QSL labels and the label designer.
void connectLabelWindows(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
