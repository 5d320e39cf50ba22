#pragma once

#include "core/io/Dialogs.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace zep {

class Saisie_QSO;

/// Corrections to the log from the entry window: the QSO chosen in the list is edited in
/// place, deleted (and the last deletion restored at its date and time), a forgotten QSO is
/// entered at its chronological place, and the entry in progress can be abandoned.
///
/// The chosen QSO follows the list's current item, whether the operator clicked it, the
/// search window picked it or a reload selected the last one. While a QSO is being edited the
/// line being corrected stays the chosen one, so that the validation rewrites that QSO and no
/// other, whatever is clicked in the meantime.
class EntryEditing : public QObject {
    Q_OBJECT
public:
    /// Wires the window's buttons; lives as long as the window (it is its child).
    EntryEditing(Saisie_QSO &window, Dialogs &dialogs);

    /// The editing part of `window`, or null when it was not set up.
    static EntryEditing *of(Saisie_QSO &window);

    void Edite_QSO_Click();
    void Efface_QSO_Click();
    void Recupere_Click();
    void Ajout_QSO_Click();
    void Recherche_Click();
    /// Back to the state ready for a new call sign, edit and insert modes left.
    void Annule_Saisie();

    /// What "Rechercher un QSO" opens (the search window lives in a higher layer).
    void setSearchHandler(std::function<void()> handler) { search_ = std::move(handler); }

    /// The QSO line of a list item (the item without its number prefix), and that number.
    static QString lineOfItem(const QString &item, QString *number = nullptr);
    /// The deletion question; a QSO logged several times is said to go every time.
    static QString deletionQuestion(const QString &line, int occurrences);
    static QString restoreQuestion(const QString &line);

private:
    void Liste_QSO_Choice(int row);
    /// Takes the list's current item as the chosen QSO; false when the list is empty.
    bool takeCurrentItem();
    /// How many times the chosen QSO is in the log, or -1 (message shown) when the log cannot
    /// be read or no longer holds it.
    int chosenOccurrences();
    void fillFieldsFromChosen();
    void showDateAndTime(bool shown);

    Saisie_QSO &window_;
    Dialogs &dialogs_;
    std::function<void()> search_;
    std::optional<qint64> deletedHz_; ///< the frequency of the QSO last deleted, if it had one
};

} // namespace zep
