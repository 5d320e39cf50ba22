#pragma once

#include "cluster/ClusterClient.h"
#include "platform/WindowServices.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zep {

class EntryDoor;

/// The radio's current frequency in kHz, or nothing when no radio tells it (the operator then
/// types it).
using FrequencySource = std::function<std::optional<double>()>;

/// "Annonce sur le cluster": announces the activation on the DX cluster set in
/// "Setup" > "Cluster…". Opened from the entry window with the radio's frequency, the
/// activator's call sign and "<reference> <mode>" as comment, all editable. "Envoyer" sends in
/// the background: the entry window keeps taking QSOs while the cluster answers, and the
/// answer, or the cause of the failure, shows here when it comes. The cluster's staying
/// connection carries the announcement when it is logged in; "POTA" as the destination sends
/// a self-spot to POTA (the activator, the POTA reference of the activation, the frequency,
/// the mode box's mode and the comment), whose answer shows the same way.
class Annonce_Cluster : public QDialog {
    Q_OBJECT
public:
    Annonce_Cluster(const WindowServices &services, EntryDoor &entry, FrequencySource frequency,
                    ClusterTimings timings, QWidget *parent = nullptr);
    ~Annonce_Cluster() override;

    /// Fills the fields afresh from the radio and the activation (not while sending) and
    /// shows the window.
    void Form_Load();
    /// Checks the fields and the cluster's settings, then sends. False when something is
    /// missing (said in a message box) and nothing was sent.
    bool Envoyer_Click();
    bool sending() const { return sending_; }

    QLineEdit *Frequence;   ///< kHz
    QLineEdit *Indicatif;   ///< the station announced
    QLineEdit *Commentaire; ///< "<reference> <mode>"
    QComboBox *Destination; ///< "Cluster" or "POTA"
    QLineEdit *Reference;   ///< the POTA reference announced to POTA
    QPushButton *Envoyer;
    QPushButton *Fermer;
    QPlainTextEdit *Reponse; ///< the cluster's answer or the cause of the failure

private:
    void showOutcome(bool answered, const QString &text);
    bool sendToPota(double kHz, const QString &call);

    WindowServices services_;
    EntryDoor &entry_;
    FrequencySource frequency_;
    std::unique_ptr<ClusterClient> client_;
    bool sending_ = false;
};

} // namespace zep
