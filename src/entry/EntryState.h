#pragma once

#include <QString>

namespace zep {

/// Where the entry of the QSO window stands, shared by the field checks, the validation and
/// the editing of logged QSOs. Everything is false or empty when the window opens.
struct EntryState {
    bool correcting = false;       ///< a logged QSO is being corrected
    bool inserting = false;        ///< the QSO goes in at its date and time
    bool retypeCleared = false;    ///< retype option already emptied this field
    bool firstNameUnknown = false; ///< last call sign looked up is not remembered
    QString chosenItem;            ///< chosen list item, number included
    QString chosenLine;            ///< the chosen QSO line
    QString deletedLine;           ///< the line last deleted, kept for restoring
    QString clockDate;             ///< date of the chosen clock, jj/mm/aa
    QString clockTime;             ///< time text last read, hh:mm:ss
};

} // namespace zep
