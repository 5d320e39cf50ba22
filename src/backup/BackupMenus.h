#pragma once

#include "platform/WindowServices.h"

namespace zep {

class BackupMirror;
class EntryDoor;

/// Wires the live copy into the entry window: "Setup" > "Sauvegarde…" opens the folder window,
/// the status bar carries the line "Sauvegarde : …" (hidden while no folder is set), and a
/// failing copy shows one warning that does not stop the entry.
void connectBackup(EntryDoor &entry, const WindowServices &services, BackupMirror &mirror);

} // namespace zep
