#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace zep::adif {

/// The first line of the file, also shown above the QSO list while exporting.
QString title(const QString &activator);

/// The second line of text in the header: which program made the file.
QString creditLine();

/// The name proposed in the save dialog: the reference, "_" and the activation date as
/// jj_mm_aa (characters 1-2, 4-5 and the last two of the date), without extension.
QString proposedFileName(const QString &reference, const QString &activationDate);

/// The ADIF band of a log band text taken with its unit ("3.5 Mhz", "144 Mhz"), compared
/// exactly. Nothing for a band the table does not hold (only a hand-edited log has one).
std::optional<QByteArrayView> band(QByteArrayView bandText);

/// ADIF text fields hold printable ASCII only. Windows-1252 letters lose their accents
/// ("é" -> "e", "Œ" -> "OE"), other signs get their nearest ASCII form, control characters
/// become blanks.
QByteArray toAscii(QByteArrayView windows1252);

/// The most bytes the ASCII form of one Windows-1252 character takes ("EUR" for "€").
inline constexpr int longestAsciiForm = 3;
/// The same into `out`, which has room for longestAsciiForm bytes per byte of the text; the
/// number of bytes written.
qsizetype toAscii(QByteArrayView windows1252, char *out);

/// One record line (without its line end) for one 104-column QSO line in its Windows-1252
/// bytes: call, name (left out when empty), band (left out when unknown), mode, date,
/// times on and off, reports sent and received, state and comment (kept when empty), "<eor>".
/// Each value is trimmed of blanks and written in ASCII, with its length. A mode that ADIF
/// knows only as a submode is written as its mode and the submode ("<mode:3>SSB<submode:3>USB");
/// a mode ADIF does not know at all is written as typed.
QByteArray record(QByteArrayView qsoLine);

/// The whole file: six header lines ending with "<eoh>", then one record per QSO line of
/// `log` (the activity log's bytes), every line ended by CR LF. Blank lines of the log are not
/// QSOs and give no record. `unknownModes`, when given, receives the number of records whose
/// mode ADIF does not know.
QByteArray document(const QString &titleLine, QByteArrayView log, int *unknownModes = nullptr);

/// The closing words on the modes ADIF does not know: empty when there are none, else a line
/// of its own to put under the message naming the file.
QString unknownModesNote(int unknownModes);

} // namespace zep::adif
