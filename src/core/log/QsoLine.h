#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep {

/// The fields of one QSO as typed in the entry window, before they are laid out in columns.
struct QsoFields {
    QString date, time, call, department, firstName, rstReceived, rstSent, mode, band, remarks;
};

/// A QSO line ready to be written, or the reason it cannot be.
struct BuiltLine {
    bool ok = false;
    QString line;
    QString error; ///< French message naming the field when a field is too long
};

/// Column layout of the 104-character QSO line (1-based columns, widths).
namespace qsocol {
inline constexpr int lineLength = 104;
inline constexpr int date = 1, dateWidth = 8;
inline constexpr int time = 11, timeWidth = 5;
inline constexpr int call = 18, callWidth = 12;
inline constexpr int department = 32, departmentWidth = 2;
inline constexpr int firstName = 36, firstNameWidth = 15;
inline constexpr int rstReceived = 53, rstSent = 57, rstWidth = 3;
inline constexpr int mode = 61, modeWidth = 4;
inline constexpr int band = 67, bandWidth = 3;
inline constexpr int remarks = 75, remarksWidth = 30;
} // namespace qsocol

/// Lays the fields out in the 104 columns of the log. Missing fields become blanks, the remarks
/// are upper-cased, and a field longer than its columns is refused rather than allowed to push
/// the following fields out of place. Control characters (a line break would split the QSO in
/// two lines of the file) are refused too.
BuiltLine buildQsoLine(const QsoFields &f);

/// Reads the fields back by column, blanks trimmed; a short line reads blanks beyond its end.
QsoFields readQsoLine(const QString &line);

/// One item of the QSO list: the QSO number right-aligned in 4 characters, 2 blanks, the line.
/// From 10000 on the number no longer fits in 4 characters: it is written whole and the item
/// grows by one character, so no digit of the number is ever lost.
QString qsoListItem(int number, const QString &line);

/// The QSO line of a list item, whatever the width of its number: the item without the blanks
/// and digits of the number and the two blanks after it. `number`, when given, gets the
/// number's digits. The view is into `item`.
QStringView qsoLineOfItem(QStringView item, QStringView *number = nullptr);

/// Completes `items`, the list items of the first lines of `lines`, with those of the lines
/// that follow them: a log that grew gets the items of its new QSOs only.
void appendQsoListItems(QStringList &items, const QStringList &lines);

/// The year of a date written with two digits, as the log and the activations write them:
/// 50-99 are 1950-1999, 00-49 are 2000-2049.
constexpr int fullYear(int twoDigitYear) {
    return twoDigitYear + (twoDigitYear >= 50 ? 1900 : 2000);
}

/// The point in time of a QSO line (columns 1-8 and 11-15) as a number, yyyymmddhhmm: the year
/// as fullYear gives it, day first. Nothing when the date or time is not a real calendar date
/// and clock time in the dd/mm/yy and hh:mm shapes. Cheap enough to compute for a whole log.
std::optional<qint64> qsoOrderingNumber(const QString &line);
/// The same, on a line still in its Windows-1252 bytes.
std::optional<qint64> qsoOrderingNumber(QByteArrayView line);

/// Column headings shown above the QSO list, aligned on the list items.
inline const QString qsoListHeader =
    QStringLiteral("   N°    Date     Heure   Indicatif        Dpt  Prenom        RST R    E   "
                   "Mode     Bande      Observations");

} // namespace zep
