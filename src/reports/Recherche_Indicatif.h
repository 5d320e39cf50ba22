#pragma once

#include "core/io/Dialogs.h"

#include <QPointer>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace zep {

class QsoList;

class EntryDoor;

/// The QSO search: finds QSOs of the log by call sign (any part of it), by date or by
/// department among the entry window's QSO list as it stands in memory, and hands the picked
/// one back to that list, where it becomes the chosen QSO for editing or deletion.
class Recherche_Indicatif : public QWidget {
    Q_OBJECT
public:
    /// `entryList` is the entry window's `Liste_QSO`; it is only read, except that picking a
    /// result makes the matching entries current in it.
    Recherche_Indicatif(QsoList *entryList, Dialogs &dialogs, QWidget *parent = nullptr);

    /// Opening: centre, reset to a fresh search by call sign, show, focus `Indica`.
    void Form_Load();

    /// Runs the search with the selected option; returns false when it stopped on an empty box.
    bool Recherche_QSO();

    /// Which criterion is selected: 1 call sign, 2 date, 3 department.
    int selectedOption() const;

    QGroupBox *Frame1;
    QRadioButton *Option1_1;
    QRadioButton *Option1_2;
    QRadioButton *Option1_3;
    QLineEdit *Indica;
    QLineEdit *Data;
    QLineEdit *Depa;
    QListWidget *QSO_Effectues;
    QPushButton *Command1;
    QList<QLabel *> columnLabels;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void Command1_Click();
    bool Indica_Enter();
    bool Data_Enter();
    bool Depa_Enter();
    void QSO_Effectues_Click(QListWidgetItem *item);
    QLineEdit *boxOfOption(int option) const;
    void focusResults();

    QPointer<QsoList> entryList_;
    Dialogs &dialogs_;
};

/// Opens the search window for the entry window's QSO list without blocking it: one window at
/// a time; asking again while it is open starts a fresh search in the same window.
class SearchWindowOpener {
public:
    SearchWindowOpener(QsoList *entryList, Dialogs &dialogs);
    ~SearchWindowOpener();
    SearchWindowOpener(const SearchWindowOpener &) = delete;
    SearchWindowOpener &operator=(const SearchWindowOpener &) = delete;

    Recherche_Indicatif *open();
    /// The open window, or null once it has been closed.
    Recherche_Indicatif *window() const { return window_; }

private:
    QPointer<QsoList> entryList_;
    Dialogs &dialogs_;
    QPointer<Recherche_Indicatif> window_;
};

/// Makes the entry window's "Rechercher un QSO" button open the search window over its QSO
/// list. The window then owns the search window, which goes with it.
void connectSearchWindow(EntryDoor &entry, Dialogs &dialogs);

} // namespace zep
