#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zep::ctf {

/// Every line of the traffic report is this long (its last column holds "*").
inline constexpr int lineLength = 199;

/// The report's 8-column band text for a band as stored in the log (columns 67-69, trimmed):
/// "7.0 Mhz " for 7, the number and " Mhz" padded to 8 otherwise; eight blanks for a band
/// the table does not hold (only a hand-edited log has one), so the line keeps its columns.
QByteArrayView bandText(QByteArrayView bandNumber);

/// The 199-column report line (without its line end) for one QSO line in its Windows-1252
/// bytes. Fields keep their stored width and blanks; a short line reads blanks past its end.
QByteArray line(QByteArrayView qsoLine);

/// The whole report: one line per QSO line of `log`, each ended by CR LF; an empty log gives
/// an empty file. Blank lines of the log are not QSOs and give no line.
QByteArray document(QByteArrayView log);

/// The report's file name: the reference followed by ".ctf".
QString fileName(const QString &reference);

} // namespace zep::ctf
