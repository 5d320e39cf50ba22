#pragma once

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zep {

/// "Setup" > "Trafic numérique…": whether the QSOs logged by the FT8 and FT4 programs come
/// into the log, the address (or multicast group) and port they are sent to, and the
/// station's locator, typed or read from gpsd. Every value is checked before any is saved.
class Trafic_Numerique : public QDialog {
    Q_OBJECT
public:
    Trafic_Numerique(SettingsStore &settings, Dialogs &dialogs, QWidget *parent = nullptr);

    /// Fills the fields from the settings and shows the window.
    void Form_Load();
    /// Saves the five settings and closes; false (a message box says why, the field keeps
    /// the focus, nothing is saved) when a value does not hold.
    bool Enregistrer_Click();

    QCheckBox *Numerique_Actif;
    QLineEdit *Numerique_Adresse;
    QLineEdit *Numerique_Port;
    QLineEdit *Locator;
    QComboBox *Locator_Source; ///< "Saisi" (0) or "gpsd" (1)
    QPushButton *Enregistrer;
    QPushButton *Annuler;

signals:
    /// The settings were saved: the listening and the locator follow them.
    void saved();

private:
    SettingsStore &settings_;
    Dialogs &dialogs_;
};

} // namespace zep
