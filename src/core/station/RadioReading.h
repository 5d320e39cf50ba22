#pragma once

#include "core/io/Settings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// What the radio said at its last reading, as the worker thread that reads it hands it over.
struct RigReading {
    enum class State {
        NoLink,   ///< no radio is set up: nothing is shown
        Silent,   ///< a radio is set up but did not answer its last reading
        Answering ///< `hz` and `mode` are the radio's now
    };
    State state = State::NoLink;
    qint64 hz = 0;
    QString mode; ///< the mode as Hamlib names it ("USB", "CWR", "PKTUSB")

    bool answering() const { return state == State::Answering; }
    friend bool operator==(const RigReading &, const RigReading &) = default;
};

/// One radio model as Hamlib knows it, for the choice of a radio wired to this computer.
struct RigModel {
    int number = 0;
    QString maker;
    QString name;
    friend bool operator==(const RigModel &, const RigModel &) = default;
};

/// How the program reaches the radio, as set in "Liaison avec le poste" and kept in the
/// settings section "Setup ".
struct RigLink {
    enum class Kind { None = 0, Rigctld = 1, Direct = 2 };
    Kind kind = Kind::None;
    QString host = QStringLiteral("127.0.0.1");
    int port = 4532;
    int model = 1; ///< Hamlib's model number of a radio wired to this computer
    QString device;
    int speed = 9600;

    static RigLink load(const SettingsStore &settings);
    void save(SettingsStore &settings) const;
    friend bool operator==(const RigLink &, const RigLink &) = default;
};

namespace keys {
inline const QString catLiaison = QStringLiteral("CAT Liaison");
inline const QString catHote = QStringLiteral("CAT Hote");
inline const QString catPort = QStringLiteral("CAT Port");
inline const QString catModele = QStringLiteral("CAT Modele");
inline const QString catPeripherique = QStringLiteral("CAT Peripherique");
inline const QString catVitesse = QStringLiteral("CAT Vitesse");
} // namespace keys

/// From the radio's reading to what the entry window shows and logs.
namespace radio {

/// The row of the band box ("1.8", "3.5" ... "144", in MHz) whose ADIF band holds `hz`,
/// limits included; nothing when the frequency is outside every row's band.
std::optional<int> bandRow(qint64 hz, const QStringList &rows);

/// Whether `hz` lies in the ADIF band of the band box text `band` ("14", "3.5").
bool bandHolds(const QString &band, qint64 hz);

/// The mode box text for a Hamlib mode: "SSB" for USB and LSB, "CW" for CW and CWR, the
/// ADIF mode name for the others that have one ("FM", "AM", "RTTY"); empty when there is none.
QString modeBoxText(const QString &hamlibMode);

/// The Hamlib mode to tune a radio to for the mode box text `box` at `hz`: "SSB" is the lower
/// sideband below 10 MHz (but for the 60 m channels, upper as everywhere else), "CW", "AM",
/// "FM" and "RTTY" are Hamlib's names, and the data modes ("FT8", "PSK31", "JT65"...) go on
/// the upper sideband's data setting; empty (keep the radio's mode) for a text with no
/// sensible setting, DSTAR and C4FM among them.
QString hamlibMode(const QString &box, qint64 hz);

/// A frequency in kHz the French way, with two decimals: "14 285,00" for 14 285 000 Hz.
QString kiloHertz(qint64 hz);

/// The entry window's line for a reading: "Poste : 14 285,00 kHz USB", with " hors bande"
/// when no row of the band box holds the frequency; "Poste : pas de réponse" for a radio
/// that does not answer; empty without a link.
QString stateLine(const RigReading &reading, bool outOfBand);

} // namespace radio

} // namespace zep
