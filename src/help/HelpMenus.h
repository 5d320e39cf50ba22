#pragma once

#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;
class UrlOpener;

/// Wires "Aide": history, user guide, update page and About box, with the guide shipped
/// with the program and the desktop's browser.
void connectHelpMenu(EntryDoor &entry, const WindowServices &services);

/// The same with a given guide file and browser (tests).
void connectHelpMenu(EntryDoor &entry, const WindowServices &services, const QString &guideFile,
                     UrlOpener &browser);

} // namespace zep
