#pragma once

#include "platform/WindowServices.h"

namespace zep {

class EntryDoor;
class Setup;
class StatusLabel;

/// Wires the activation's summary into the entry window: the "Validité" status line, which
/// follows every change of the log, and "Afficher" > "Bilan de l'activation" for the current
/// activation. Returns the status line.
StatusLabel *connectSummary(EntryDoor &entry, const WindowServices &services);

/// "Bilan de l'activation" in the context menu of the setup window's list of activations: the
/// summary of any earlier activation, the one chosen in the list.
void connectSummaryToActivationList(Setup &setup, const WindowServices &services);

/// Opens the summary of an activation named by its first reference (both references of a
/// double activation are shown); false, after telling the operator, when it is not in the list.
bool openSummaryOf(const QString &number, const WindowServices &services, QWidget *parent);

} // namespace zep
