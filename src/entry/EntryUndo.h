#pragma once

#include "core/io/Dialogs.h"

#include <QObject>

namespace zep {

class Saisie_QSO;

/// "Edition" > "Annuler la dernière correction" (Ctrl+Z) of the entry window: takes back the
/// last edit, deletion, restore, insertion or ADIF import of the session, one after the other,
/// on the log as it now stands (live QSOs logged since stay). The log's followers take the
/// change as after any correction; the status line says what was undone.
///
/// Ctrl+Z typed in an entry field goes to the item too, not to the field's own typing undo,
/// so that the key does the same wherever the focus is.
class EntryUndo : public QObject {
    Q_OBJECT
public:
    /// Wires the menu item; lives as long as the window (it is its child).
    EntryUndo(Saisie_QSO &window, Dialogs &dialogs);

    void Annuler_Correction_Click();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Saisie_QSO &window_;
    Dialogs &dialogs_;
};

} // namespace zep
