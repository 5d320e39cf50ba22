#pragma once

#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;

/// Wires "Etiquettes": the QSO selection for QSL labels and the label designer.
void connectLabelWindows(EntryDoor &entry, const WindowServices &services);

} // namespace zep
