#pragma once

#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;

/// Wires the countries worked ("Afficher") and the departments map ("Carte").
void connectCountriesAndMap(EntryDoor &entry, const WindowServices &services);

} // namespace zep
