#pragma once

#include <QString>

namespace zep {

/// Where the entry of the QSO window stands, shared by the field checks, the validation and
/// the editing of logged QSOs. Everything is false or empty when the window opens.
struct EntryState {
    bool modeEdition = false;   ///< Mode_Edition: a logged QSO is being corrected
    bool modeAjout = false;     ///< Mode_Ajout: the QSO goes in at its date and time
    bool champEfface = false;   ///< Champ_Efface: retype option already emptied this field
    bool prenomInconnu = false; ///< Prenom_Inconnu: last call sign looked up is not remembered
    QString ligneChoisie;       ///< Ligne_Choisie: chosen list item, number included
    QString qsoChoisi;          ///< QSO_Choisi: the chosen QSO line
    QString qsoEfface;          ///< QSO_Efface: the line last deleted, kept for restoring
    QString dateCourante;       ///< Date_Courante: date of the chosen clock, jj/mm/aa
    QString heureCourante;      ///< Heure_Courante: time text last read, hh:mm:ss
};

} // namespace zep
