#pragma once

#include "platform/WindowServices.h"

#include <QDialog>

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
    /// Saves the three settings and closes; false (a message box says why, nothing is
    /// saved) when the port is not a port.
    bool Enregistrer_Click();

    QLineEdit *Cluster_Hote;
    QLineEdit *Cluster_Port;
    QLineEdit *Cluster_Indicatif;
    QPushButton *Enregistrer;
    QPushButton *Annuler;

private:
    WindowServices services_;
};

} // namespace zep
