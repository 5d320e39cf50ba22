#pragma once

#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;

/// Wires "Fichiers": the ADIF export, the ADIF 3 export for the award sites and the traffic
/// report export.
void connectExports(EntryDoor &entry, const WindowServices &services);

} // namespace zep
