#pragma once

#include "core/station/KeyerSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace zep {

/// A CW keyer, in the program's words: key this text, change the speed, stop at once. Every
/// call returns at once; the device is driven on a worker thread and answers come back as
/// signals on the caller's thread. cwdaemon and the WinKeyer are two implementations; the
/// radio's own keyer through the CAT link is one more.
class CwKeyer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Keys `morse` (filled, in Morse's characters) at `wpm`. A message still being keyed is
    /// the caller's to abort first.
    virtual void send(const QString &morse, int wpm) = 0;
    /// The speed from now on, in the middle of a message too.
    virtual void setSpeed(int wpm) = 0;
    /// Stops at once: what is still to be keyed is dropped and the transmitter released.
    virtual void abort() = 0;

signals:
    /// The last message sent has been keyed to its end.
    void finished();
    /// The keyer failed (device gone, daemon silent): the French cause, one line.
    void failed(const QString &cause);
};

/// The voice keyer: plays the recording of a message to the chosen output, keying the
/// transmitter around it (VOX, or PTT through the CAT link), and stops at once when asked.
class VoiceKeyer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Plays message `key` (1-7), the file keyer::recordingPath(programDir, key).
    virtual void play(int key) = 0;
    /// Stops at once and releases the PTT.
    virtual void stop() = 0;

signals:
    void finished();
    void failed(const QString &cause);
};

/// The recording of the voice messages, in the window "Messages et manipulateur": records
/// message `key` from an input (30 s at most), plays it back to the operator, stops at once.
/// Every call returns at once; answers come back as signals on the caller's thread.
class VoiceRecorder : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Records message `key` (1-7) from the input device named `input` (empty: the system's
    /// default) until stop() or the longest length; the old recording stays until the new
    /// one is saved whole.
    virtual void record(int key, const QString &input) = 0;
    /// Plays the recording of message `key` to the operator: the default output, no PTT.
    virtual void listen(int key) = 0;
    /// Ends a recording (which is then saved) or a listening.
    virtual void stop() = 0;

signals:
    /// The loudest sound of the last tenth of a second, 0 to 100 %, while recording.
    void level(int percent);
    /// The recording is saved: its length.
    void saved(int ms);
    /// A listening has ended or was stopped.
    void played();
    /// Recording or listening failed: the French cause, one line.
    void failed(const QString &cause);
};

/// Makes the CW keyer for a link; none for a link with no keyer (or one not available in
/// this build), the caller then says why.
using CwKeyerFactory = std::function<std::unique_ptr<CwKeyer>(const KeyerLink &link)>;

/// The keyers of the devices this program drives itself: cwdaemon and the WinKeyer.
std::unique_ptr<CwKeyer> makeDeviceKeyer(const KeyerLink &link);

} // namespace zep
