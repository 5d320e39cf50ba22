#pragma once

#include "core/io/Dialogs.h"
#include "core/station/KeyerSettings.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zep {

class VoiceRecorder;
class VoiceRecording;

/// "Setup" > "Messages et manipulateur…": the CW texts of F1 to F7, where the CW goes (none,
/// the radio through the CAT link, cwdaemon, a WinKeyer) and at what speed, the audio devices
/// and the PTT of the voice messages, and the repetition of the CQ. Everything is checked on
/// "Enregistrer": a refused value is one message, and nothing is saved.
class Messages_Manipulateur : public QDialog {
    Q_OBJECT
public:
    /// `recorder` records the voice messages; none: the recording buttons are disabled.
    Messages_Manipulateur(SettingsStore &settings, Dialogs &dialogs, QWidget *parent = nullptr,
                          VoiceRecorder *recorder = nullptr);

    /// Fills the fields from the settings and shows the window.
    void Form_Load();
    /// Saves every value and closes; false (a message says why, nothing is saved) when one
    /// is refused.
    bool Enregistrer_Click();

    std::array<QLineEdit *, keyer::messageCount> Message_F;
    QComboBox *Manipulateur_Sortie;
    QLineEdit *Manipulateur_Hote;
    QLineEdit *Manipulateur_Port;
    QLineEdit *Manipulateur_Peripherique;
    QLineEdit *Manipulateur_Vitesse;
    QLineEdit *Voix_Sortie;
    QLineEdit *Voix_Entree;
    QComboBox *Voix_PTT;
    VoiceRecording *Voix_Enregistrement;
    QLineEdit *CQ_Repetition;
    QPushButton *Enregistrer;
    QPushButton *Annuler;

private:
    void showOutputFields();
    bool refuse(QLineEdit *field, const QString &message);

    SettingsStore &settings_;
    Dialogs &dialogs_;
};

} // namespace zep
