#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zep::keyer {

/// The messages F1 to F7: F8 stays with the known call signs and F9 to F12 with validation.
inline constexpr int messageCount = 7;
/// The longest CW text kept for a message, and the longest filled text sent: a cwdaemon
/// datagram holds one message, and a WinKeyer buffer is filled in small pieces.
inline constexpr int maxTextChars = 120;
inline constexpr int maxSentChars = 200;

/// What the fields of a CW text are filled with when the key is pressed.
struct FieldValues {
    QString ownCall;      ///< the activator's call
    QString call;         ///< the call in the call-sign field
    QString reference;    ///< the first reference
    QString reference2;   ///< the second reference of a double activation
    QString rst;          ///< the report sent
    QString firstName;    ///< the first name in its field
};

/// The text an activator would start with for message `key` (1-7).
QString defaultText(int key);

/// The verdict on a CW text typed in the messages window: accepted, or the French reason.
struct TextCheck {
    bool ok = true;
    QString message;
};
/// A text is refused for an unknown field, a brace left open, a character Morse has no sign
/// for, or a length beyond maxTextChars.
TextCheck checkText(const QString &text);

/// `text` with its fields filled, in capitals, accents taken off, characters without a Morse
/// sign left out, blanks collapsed, and cut to maxSentChars. An unknown field is left out.
QString fill(const QString &text, const FieldValues &values);

/// `text` as Morse can send it: capitals, no accents, only letters, digits, blanks and
/// / ? . , = (a hyphen or an underscore becomes a blank, anything else is left out).
QString morseText(const QString &text);

/// How long `text` lasts at `wpm` words per minute (PARIS timing: a dot is 1.2 s / wpm), in
/// milliseconds.
qint64 morseDurationMs(const QString &text, int wpm);

/// The recording of message `key` (1-7) in the program directory: "Messages/F1.wav"...
QString recordingPath(const QString &programDir, int key);

} // namespace zep::keyer
