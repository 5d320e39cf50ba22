#pragma once

#include "core/io/Clock.h"
#include "platform/WindowServices.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace zep {

/// The log display: the whole log of the activation in a numbered fixed-pitch list, read once
/// when the window loads, with buttons to save it as a listing file, to print it, and to look
/// at the printout first in a preview.
class Affiche_Log : public QWidget {
    Q_OBJECT
public:
    /// `clock` is the entry window's clock, held while a double activation's reference is
    /// chosen (may be null).
    Affiche_Log(const WindowServices &services, ClockControl *clock, QWidget *parent = nullptr);

    /// Builds the title, the heading and the list from the log of the first reference,
    /// centres the window and shows it.
    void Form_Load();

    bool Enregistrer_Click();
    bool Imprimer_Click();
    bool Apercu_Click();

    QLabel *Label3; ///< title
    QLabel *Label2; ///< column heading
    QGroupBox *Frame1;
    QListWidget *Liste_QSO;
    QPushButton *Enregistrer;
    QPushButton *Imprimer;
    QPushButton *Apercu; ///< "Aperçu avant impression"

private:
    QStringList listEntries() const;

    WindowServices services_;
    ClockControl *clock_;
};

} // namespace zep
