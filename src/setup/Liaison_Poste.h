#pragma once

#include "core/io/Settings.h"
#include "core/station/RadioReading.h"
#include "platform/RigControl.h"
#include "platform/StatusLabel.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zep {

/// "Liaison avec le poste": how the program reaches the radio (none, a rigctld daemon on the
/// network, or a radio wired to this computer: Hamlib's model, the serial device and its
/// speed). "Tester" reads the radio once, away from this window's thread; "Enregistrer" keeps
/// the link in the settings and has the radio followed on it.
class Liaison_Poste : public QDialog {
    Q_OBJECT
public:
    Liaison_Poste(SettingsStore &settings, RigControl &rig, QWidget *parent = nullptr);

    /// The link as the controls set it.
    RigLink link() const;
    /// The serial devices present: /dev/serial/by-id/*, /dev/ttyUSB*, /dev/ttyACM*.
    static QStringList serialDevices();

    QRadioButton *Aucune;
    QRadioButton *Reseau;
    QRadioButton *Direct;
    QLineEdit *Hote;
    QSpinBox *Port;
    QLineEdit *Recherche_Modele;
    QComboBox *Modele;
    QComboBox *Peripherique;
    QComboBox *Vitesse;
    QPushButton *Tester;
    QPushButton *Enregistrer;
    QPushButton *Annuler;
    StatusLabel *Resultat;

private:
    void showLink(const RigLink &link);
    void enableFields();
    void fillModels();
    void save();

    SettingsStore &settings_;
    RigControl &rig_;
    QList<RigModel> models_;
    int model_ = 1; ///< the chosen model while the list is being filled or filtered
};

} // namespace zep
