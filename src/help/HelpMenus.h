#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;

/// Wires "Aide": history, user guide, update page and About box.
void connectHelpMenu(Saisie_QSO &entry, const WindowServices &services);

} // namespace zep
