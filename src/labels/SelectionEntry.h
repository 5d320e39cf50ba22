#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// The label selection's form of a QSO: five blanks, the log line from the call sign to the
/// first character of the remarks (log columns 18-75), one blank, then the date and time (log
/// columns 1-15). Every entry starts with the call sign after the blanks, so a sorted list of
/// entries is in call-sign order, and the label printing cuts its fields out of it by column.
namespace selcol {
// 1-based columns of the entry, with their widths.
inline constexpr int entryLength = 79;
inline constexpr int call = 6, callWidth = 12;
inline constexpr int department = 20, departmentWidth = 2;
inline constexpr int firstName = 24, firstNameWidth = 15;
inline constexpr int report = 41, reportWidth = 3;
inline constexpr int reportSent = 45;
inline constexpr int mode = 49, modeWidth = 4;
inline constexpr int band = 55, bandWidth = 3;
/// The band with its unit: "  7 Mhz" (columns 55-61).
inline constexpr int bandWithUnitWidth = 7;
inline constexpr int date = 65, dateWidth = 8;
inline constexpr int time = 75, timeWidth = 5;
} // namespace selcol

/// The selection entry of one log line. A line too short to hold a call sign (under 18
/// characters, which the QSO entry never writes) gives none: it cannot make a label. A line
/// cut short after the call sign is read with blanks in its missing columns, so the date and
/// time still land in columns 65-79.
std::optional<QString> selectionEntry(const QString &logLine);

/// The entries of a whole log in the order of the sorted selection lists (call sign first,
/// then the rest of the entry; equal entries keep the order of the log). Lines that give no
/// entry are left out.
QStringList sortedSelectionEntries(const QStringList &logLines);

/// The trimmed text of `width` characters from 1-based `column` of an entry (blanks beyond its
/// end).
QString selectionField(const QString &entry, int column, int width);

} // namespace zep
