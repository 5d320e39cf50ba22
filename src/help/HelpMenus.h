#pragma once

#include "entry/WindowServices.h"

namespace zep {

class Saisie_QSO;
class UrlOpener;

/// Wires "Aide": history, user guide, update page and About box, with the guide shipped
/// with the program and the desktop's browser.
void connectHelpMenu(Saisie_QSO &entry, const WindowServices &services);

/// The same with a given guide file and browser (tests).
void connectHelpMenu(Saisie_QSO &entry, const WindowServices &services, const QString &guideFile,
                     UrlOpener &browser);

} // namespace zep
