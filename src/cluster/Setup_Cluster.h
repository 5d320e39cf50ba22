#pragma once

#include "platform/WindowServices.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zep {

/// The port of a cluster node when none is set: the one most nodes listen on.
inline constexpr int defaultClusterPort = 7300;

/// The login used on the cluster: the one set in "Setup" > "Cluster…", or else the
/// activator's call sign.
QString clusterLogin(const SettingsStore &settings, const CurrentActivation &activation);

/// "Setup" > "Cluster…": the node to announce on (host and port) and the call sign to log in
/// with, kept in the settings. A login left empty, or equal to the activator's call sign,
/// follows the activator of each activation.
class Setup_Cluster : public QDialog {
    Q_OBJECT
public:
    explicit Setup_Cluster(const WindowServices &services, QWidget *parent = nullptr);

    /// Fills the fields from the settings and shows the window.
    void Form_Load();
    /// Saves the settings and closes; false (a message box says why, nothing is saved) when
    /// the port is not a port, the POTA address no http(s) address or the duration no number
    /// of minutes from 1 to 1440.
    bool Enregistrer_Click();

    QLineEdit *Cluster_Hote;
    QLineEdit *Cluster_Port;
    QLineEdit *Cluster_Indicatif;
    QCheckBox *Cluster_Annonces; ///< "Recevoir les annonces": the connection that stays
    QCheckBox *POTA_Annonces;    ///< "Recevoir les annonces POTA"
    QLineEdit *POTA_Adresse;
    QLineEdit *Annonces_Duree; ///< minutes a spot is kept
    QPushButton *Enregistrer;
    QPushButton *Annuler;

signals:
    /// The settings were saved.
    void saved();

private:
    WindowServices services_;
};

} // namespace zep
