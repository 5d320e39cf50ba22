#pragma once

#include "core/io/Dialogs.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace zep {

class VoiceRecorder;

/// The recording of the voice messages in "Messages et manipulateur": the message chosen
/// (F1 to F7), "Enregistrer" from the input device (30 s at most), "Arrêter", "Écouter" (the
/// default output, no PTT), and the level of the sound while it records ("Niveau : 42 %").
/// A failure is one message; the old recording stays.
class VoiceRecording : public QWidget {
    Q_OBJECT
public:
    /// `recorder` may be null (no sound helper in this build): the buttons are then disabled.
    /// `input` gives the input device named in the window at the moment of recording.
    VoiceRecording(VoiceRecorder *recorder, Dialogs &dialogs, std::function<QString()> input,
                   QWidget *parent = nullptr);
    ~VoiceRecording() override;

    QComboBox *Voix_Message;
    QPushButton *Voix_Enregistrer;
    QPushButton *Voix_Arreter;
    QPushButton *Voix_Ecouter;
    QProgressBar *Voix_Niveau;
    QLabel *Voix_Etat;

    bool busy() const { return state_ != State::Idle; }

private:
    enum class State { Idle, Recording, Listening };
    void setState(State state, const QString &text);
    void showLevel(int percent);

    VoiceRecorder *recorder_;
    Dialogs &dialogs_;
    std::function<QString()> input_;
    State state_ = State::Idle;
    int key_ = 1;
};

} // namespace zep
