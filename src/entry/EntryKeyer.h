#pragma once

#include "core/station/KeyerMessages.h"
#include "core/station/KeyerSettings.h"
#include "platform/Keyers.h"
#include "platform/WindowServices.h"

#include <QObject>

#include <memory>

class QLabel;
class QTimer;

namespace zep {

class Saisie_QSO;

/// The messages in the entry window: F1 to F7 send the message in the mode of the mode box
/// (the CW text, filled from the fields at the moment of the key, in CW; the recording in
/// SSB, FM and AM), Escape stops at once, PgUp and PgDn change the CW speed by 2 wpm. The
/// line "Émission : F1 …" shows what is being sent; F1 comes again after "CQ Repetition"
/// seconds until Escape or a character typed in the call-sign field. The keyers work on
/// their own threads: typing goes on while a message is sent, and a keyer's failure is one
/// line in the status bar.
class EntryKeyer : public QObject {
    Q_OBJECT
public:
    EntryKeyer(Saisie_QSO &window, const ActivationSource &activation, SettingsStore &settings,
               CwKeyerFactory makeCw, VoiceKeyer *voice);
    ~EntryKeyer() override;

    /// The key F`key` (1-7) pressed.
    void sendMessage(int key);
    /// Escape: the message stops and F1 is not sent again. False when nothing was sent.
    bool stop();
    /// PgUp (+2) and PgDn (-2).
    void changeSpeed(int delta);

    /// The message being sent (1-7), 0 when none.
    int sending() const { return sending_; }
    bool repeatPending() const;

    /// "Émission : F1 CQ …", in the status bar while a message is sent.
    QLabel *Emission;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Channel { None, Cw, Voice };
    CwKeyer *cwKeyer(const KeyerLink &link);
    keyer::FieldValues fieldValues() const;
    void ended();
    void failed(const QString &cause);
    void showSending(const QString &text);
    void say(const QString &line);

    Saisie_QSO &window_;
    const ActivationSource &activation_;
    SettingsStore &settings_;
    CwKeyerFactory makeCw_;
    VoiceKeyer *voice_;
    std::unique_ptr<CwKeyer> cw_;
    KeyerLink cwLink_;
    QTimer *repeat_;
    Channel channel_ = Channel::None;
    int sending_ = 0;
};

/// Adds "Messages et manipulateur…" to the "Setup" menu and gives the entry window its
/// messages keys. `voice` may be null (no voice keyer in this build): F1 to F7 in phone then
/// say so in the status bar.
/// `recorder` (may be null) records the voice messages in the window.
EntryKeyer *connectKeyer(Saisie_QSO &entry, const WindowServices &services, CwKeyerFactory makeCw,
                         VoiceKeyer *voice, VoiceRecorder *recorder = nullptr);

} // namespace zep
