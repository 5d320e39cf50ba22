#pragma once

#include "core/countries/PrefixTable.h"
#include "platform/WindowServices.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace zep {

class QsoList;

class ListBox;
class EntryDoor;

/// The countries worked: each country of the log's call signs once, found through the prefix
/// table of the program directory, in a sorted list that "Enregistrer" saves as
/// "<reference>_Prefixes.txt". The list is built from the entry window's QSO list when the
/// window opens.
class Pays_Cont : public QWidget {
    Q_OBJECT
public:
    /// `entryList` is the entry window's `Liste_QSO`, only read.
    Pays_Cont(QsoList *entryList, const WindowServices &services, QWidget *parent = nullptr);

    /// Opening: reads the table (installing the program's own when the directory has none),
    /// fills the list, centres and shows the window. False, with the reason shown to the
    /// operator, when the table in the directory cannot be read.
    bool Form_Load();

    /// Fills `Liste_Pays` from the QSO list with `table`.
    void Charge_Pays(const PrefixTable &table);

    /// Writes the list to "<reference>_Prefixes.txt"; false when the file could not be written.
    bool Enregistrer_Click();

    ListBox *Liste_Pays;
    QPushButton *Enregistrer;
    QLabel *Nb_Pays;         ///< number of countries listed
    QLabel *Lignes_Ignorees; ///< the table's skipped lines, shown only when there are some

private:
    QPointer<QsoList> entryList_;
    WindowServices services_;
};

/// Opens the countries window without blocking the entry window, one at a time; asking again
/// while it is open builds its list anew from the log as it now stands.
class CountriesWindowOpener {
public:
    CountriesWindowOpener(QsoList *entryList, const WindowServices &services);
    ~CountriesWindowOpener();
    CountriesWindowOpener(const CountriesWindowOpener &) = delete;
    CountriesWindowOpener &operator=(const CountriesWindowOpener &) = delete;

    /// The open window, or null when it could not open.
    Pays_Cont *open();
    Pays_Cont *window() const { return window_; }

private:
    QPointer<QsoList> entryList_;
    WindowServices services_;
    QPointer<Pays_Cont> window_;
};

/// Makes "Afficher" > "les pays contactés" open the countries window, and puts the program's
/// prefix table in the program directory when none is there yet, for the operator to find it.
void connectCountriesWindow(EntryDoor &entry, const WindowServices &services);

} // namespace zep
