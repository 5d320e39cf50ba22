#pragma once

#include "core/io/Settings.h"
#include "core/station/KeyerMessages.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

namespace keys {
/// The CW text of message `key` (1-7).
inline QString messageF(int key) {
    return QStringLiteral("Message F%1").arg(key);
}
inline const QString manipulateurSortie = QStringLiteral("Manipulateur Sortie");
inline const QString manipulateurHote = QStringLiteral("Manipulateur Hote");
inline const QString manipulateurPort = QStringLiteral("Manipulateur Port");
inline const QString manipulateurPeripherique = QStringLiteral("Manipulateur Peripherique");
inline const QString manipulateurVitesse = QStringLiteral("Manipulateur Vitesse");
inline const QString voixSortie = QStringLiteral("Voix Sortie");
inline const QString voixEntree = QStringLiteral("Voix Entree");
inline const QString voixPtt = QStringLiteral("Voix PTT");
inline const QString cqRepetition = QStringLiteral("CQ Repetition");
} // namespace keys

/// Where the CW goes, and its speed.
struct KeyerLink {
    enum class Output { None = 0, Cat = 1, CwDaemon = 2, WinKeyer = 3 };
    Output output = Output::None;
    QString host = QStringLiteral("127.0.0.1"); ///< cwdaemon's host
    int port = 6789;                            ///< cwdaemon's UDP port
    QString device;                             ///< the WinKeyer's serial port

    /// Two links are the same device when a keyer made for one serves the other.
    bool sameDevice(const KeyerLink &other) const;
};

/// The messages and the keyer as the settings hold them. Values read from the settings are
/// input: each is checked as if typed, and a value that fails keeps its default.
struct KeyerSettings {
    enum class VoicePtt { Vox = 0, Cat = 1 };

    static constexpr int minWpm = 5;
    static constexpr int maxWpm = 60;
    static constexpr int defaultWpm = 25;
    static constexpr int maxRepeatSeconds = 600;

    QStringList messages; ///< the CW texts of F1 to F7
    KeyerLink link;
    int wpm = defaultWpm;
    QString voiceOutput; ///< audio device names, empty for the system's default
    QString voiceInput;
    VoicePtt voicePtt = VoicePtt::Vox;
    int cqRepeatSeconds = 0; ///< 0: F1 is sent once

    KeyerSettings();
    static KeyerSettings load(const SettingsStore &store);
    void save(SettingsStore &store) const;
};

/// The checks of the keyer's settings: an empty optional when the value holds, else the
/// French reason. The same checks serve the window and the reading of the settings.
namespace keyercheck {
std::optional<QString> host(const QString &text);
std::optional<QString> port(const QString &text);
std::optional<QString> device(const QString &text);
std::optional<QString> wpm(const QString &text);
std::optional<QString> repeat(const QString &text);
std::optional<QString> audioDevice(const QString &text);
} // namespace keyercheck

} // namespace zep
