#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// What ADIF 3.1.6 knows of bands, modes, DXCC entities, subdivisions and fields, for the
// exports and the import. Names are compared without regard to case, as ADIF readers do.

namespace zep::adif {

/// The ADIF version the tables come from ("3.1.6").
QByteArrayView dataVersion();

/// The ADIF band ("40m") whose limits hold `mhz` (limits included); nothing outside every band.
std::optional<QByteArrayView> bandOfFrequency(double mhz);

struct BandLimits {
    double lowerMHz = 0;
    double upperMHz = 0;
};
/// The limits of an ADIF band given by name, whatever its case; nothing for an unknown band.
std::optional<BandLimits> bandLimits(QByteArrayView band);

/// The MODE and SUBMODE fields for a mode as the log holds it ("SSB", "USB", "FT8"):
/// - a mode of ADIF's Mode list that may be written: MODE alone;
/// - a submode (USB, LSB, PSK31, FT4...): MODE is the submode's own mode, SUBMODE the submode;
/// - anything else: MODE as typed and `known` false (written all the same, and counted).
/// Names are written in capitals.
struct ModeFields {
    QByteArray mode;
    QByteArray submode;
    bool known = true;
};
ModeFields modeFields(QByteArrayView loggedMode);

/// The mode ADIF gives a submode ("SSB" for "usb"); nothing when it is no submode.
std::optional<QByteArrayView> modeOfSubmode(QByteArrayView submode);
/// Whether ADIF's Mode list holds the name (import-only modes included).
bool isMode(QByteArrayView mode);

/// The DXCC entities whose stations the log keeps a department of.
constexpr int dxccFrance = 227;
constexpr int dxccCorsica = 214;

/// The name ADIF gives a DXCC entity ("FRANCE" for 227); empty for a number it does not know.
QByteArrayView entityName(int dxcc);

/// Whether `code` is a primary administrative subdivision of the DXCC entity `dxcc` that may
/// be written today ("75" of 227 France, "2A" of 214 Corsica; not a deleted one).
bool isSubdivision(QByteArrayView code, int dxcc);

} // namespace zep::adif
