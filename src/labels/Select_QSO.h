#pragma once

#include "labels/Etiquettes.h"
#include "platform/WindowServices.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace zep {

/// The choice of the QSOs to confirm with QSL labels: every QSO of the log in `Liste_QSO`, the
/// chosen ones in `Liste_Imprime`, both kept in call-sign order; a click (or Enter or Space on
/// the current entry) moves a QSO from one list to the other. The chosen list, in its order, is
/// what the label designer prints. Nothing is written anywhere: closing the window forgets the
/// choice, and with it the designer opened from here.
class Select_QSO : public QWidget {
    Q_OBJECT
public:
    explicit Select_QSO(const WindowServices &services, QWidget *parent = nullptr);
    ~Select_QSO() override;

    /// Opening: every QSO of the first reference's log into `Liste_QSO`, `Liste_Imprime`
    /// emptied, the window centred and shown.
    void Form_Load();

    /// Moves the entry at `row` of `Liste_QSO` to its place in `Liste_Imprime`.
    void Liste_QSO_Click(int row);
    /// Moves the entry at `row` of `Liste_Imprime` back to `Liste_QSO`.
    void Liste_Imprime_Click(int row);
    /// "Tout séléctionner": every remaining QSO goes to `Liste_Imprime`.
    void Select_All_Click();
    /// "Vers page Impression": opens the label designer (the same one while it is open).
    Etiquettes *Impression_Click();

    /// The entries of `Liste_Imprime`, in list order: what the labels are printed from.
    QStringList chosenEntries() const;
    /// The designer opened from here, or null.
    Etiquettes *designer() const { return designer_; }

    QGroupBox *Frame1;
    QGroupBox *Frame2;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QListWidget *Liste_QSO;
    QListWidget *Liste_Imprime;
    QPushButton *Select_All;
    QPushButton *Impression;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    /// Moves the entry at `row` of `from` to its sorted place in `to`; the next entry of `from`
    /// becomes current, so that Enter can be pressed again and again.
    static void moveEntry(QListWidget *from, int row, QListWidget *to);

    WindowServices services_;
    QPointer<Etiquettes> designer_;
};

/// Opens the selection window without blocking the entry window: one at a time; asking again
/// while it is open brings it to the front with both lists as they are.
class SelectionWindowOpener {
public:
    explicit SelectionWindowOpener(const WindowServices &services);
    ~SelectionWindowOpener();
    SelectionWindowOpener(const SelectionWindowOpener &) = delete;
    SelectionWindowOpener &operator=(const SelectionWindowOpener &) = delete;

    Select_QSO *open();
    Select_QSO *window() const { return window_; }

private:
    WindowServices services_;
    QPointer<Select_QSO> window_;
};

} // namespace zep
