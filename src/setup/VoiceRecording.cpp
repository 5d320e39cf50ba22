#include "setup/VoiceRecording.h"

#include "core/station/KeyerMessages.h"
#include "platform/Keyers.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

VoiceRecording::VoiceRecording(VoiceRecorder *recorder, Dialogs &dialogs,
                               std::function<QString()> input, QWidget *parent)
    : QWidget(parent), recorder_(recorder), dialogs_(dialogs), input_(std::move(input)) {
    setObjectName(QStringLiteral("Voix_Enregistrement"));
    Voix_Message = new QComboBox(this);
    Voix_Message->setObjectName(QStringLiteral("Voix_Message"));
    for (int key = 1; key <= keyer::messageCount; ++key)
        Voix_Message->addItem(QStringLiteral("F%1").arg(key));
    Voix_Message->setAccessibleName(QStringLiteral("Message à enregistrer"));
    Voix_Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Voix_Enregistrer->setObjectName(QStringLiteral("Voix_Enregistrer"));
    Voix_Enregistrer->setAutoDefault(false);
    Voix_Arreter = new QPushButton(QStringLiteral("Arrêter"), this);
    Voix_Arreter->setObjectName(QStringLiteral("Voix_Arreter"));
    Voix_Arreter->setAutoDefault(false);
    Voix_Ecouter = new QPushButton(QStringLiteral("Écouter"), this);
    Voix_Ecouter->setObjectName(QStringLiteral("Voix_Ecouter"));
    Voix_Ecouter->setAutoDefault(false);
    Voix_Niveau = new QProgressBar(this);
    Voix_Niveau->setObjectName(QStringLiteral("Voix_Niveau"));
    Voix_Niveau->setRange(0, 100);
    Voix_Niveau->setTextVisible(false);
    Voix_Etat = new QLabel(this);
    Voix_Etat->setObjectName(QStringLiteral("Voix_Etat"));

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(Voix_Message);
    buttons->addWidget(Voix_Enregistrer);
    buttons->addWidget(Voix_Arreter);
    buttons->addWidget(Voix_Ecouter);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(Voix_Niveau);
    layout->addWidget(Voix_Etat);
    showLevel(0);

    if (recorder_) {
        connect(recorder_, &VoiceRecorder::level, this, &VoiceRecording::showLevel);
        connect(recorder_, &VoiceRecorder::saved, this, [this](int ms) {
            setState(State::Idle, QStringLiteral("F%1 enregistré (%2 s).")
                                      .arg(key_)
                                      .arg(QLocale(QLocale::French).toString(ms / 1000.0, 'f', 1)));
        });
        connect(recorder_, &VoiceRecorder::played, this,
                [this] { setState(State::Idle, QString()); });
        // The message box waits for the operator: never inside the recorder's own signal, which
        // comes from the reading of the helper's pipe (no window is painted in that wait).
        connect(
            recorder_, &VoiceRecorder::failed, this,
            [this](const QString &cause) {
                setState(State::Idle, QString());
                dialogs_.message(cause);
            },
            Qt::QueuedConnection);
    }
    connect(Voix_Enregistrer, &QPushButton::clicked, this, [this] {
        key_ = Voix_Message->currentIndex() + 1;
        setState(State::Recording,
                 QStringLiteral("Enregistrement de F%1… (30 s au plus)").arg(key_));
        recorder_->record(key_, input_ ? input_() : QString());
    });
    connect(Voix_Ecouter, &QPushButton::clicked, this, [this] {
        key_ = Voix_Message->currentIndex() + 1;
        setState(State::Listening, QStringLiteral("Écoute de F%1…").arg(key_));
        recorder_->listen(key_);
    });
    connect(Voix_Arreter, &QPushButton::clicked, this, [this] {
        if (recorder_)
            recorder_->stop();
    });
    setState(State::Idle, recorder_ ? QString()
                                    : QStringLiteral("L'enregistrement des messages vocaux "
                                                     "n'est pas disponible dans cette version."));
}

VoiceRecording::~VoiceRecording() {
    // A window closed while it records keeps what was said so far; a listening stops.
    if (recorder_ && busy())
        recorder_->stop();
}

void VoiceRecording::setState(State state, const QString &text) {
    state_ = state;
    const bool idle = state == State::Idle;
    Voix_Message->setEnabled(recorder_ && idle);
    Voix_Enregistrer->setEnabled(recorder_ && idle);
    Voix_Ecouter->setEnabled(recorder_ && idle);
    Voix_Arreter->setEnabled(recorder_ && !idle);
    Voix_Etat->setText(text);
    Voix_Etat->setAccessibleName(text);
    if (state != State::Recording)
        showLevel(0);
}

void VoiceRecording::showLevel(int percent) {
    percent = qBound(0, percent, 100);
    Voix_Niveau->setValue(percent);
    Voix_Niveau->setAccessibleName(QStringLiteral("Niveau : %1 %").arg(percent));
}

} // namespace zep
