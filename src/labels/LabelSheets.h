#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace zep {

/// One reference as the labels print it.
struct LabelReference {
    QString number;
    QString name;
    QString canton; ///< as typed: a canton of blanks counts as given
    QString postalCode;
    QString commune;
};

/// The texts shared by every label of a run.
struct LabelContent {
    bool english = false;
    /// Two references per label: the third line names the second reference instead of the
    /// location.
    bool twoReferences = false;
    /// The reference chosen in the designer: second line and location.
    LabelReference reference;
    /// The activation's second reference, third line of two-reference labels.
    QString secondNumber;
    QString secondName;
    QString activator;
    QString transceiver;
    QString antenna;
};

/// The fields of one label cut out of a selection entry, trimmed, with the placeholders of a
/// blank form when the entry has no call sign.
struct LabelFields {
    QString call;
    QString department;
    QString report;
    QString mode;
    QString band; ///< band and unit, "7 Mhz"
    QString date;
    QString time;
};
LabelFields labelFields(const QString &entry);

/// The sheet layouts: three of sixteen labels printed as rows of text, one of twenty-four
/// labels placed in millimetres.
enum class SheetLayout { A, B, C, TwentyFour };
/// Layout of a sheet format (1-5); any other number is format 1's.
SheetLayout sheetLayout(int format);
/// The fixed-pitch font the layout prints with.
QString sheetFontName(SheetLayout layout);
/// Labels across one row of the sheet (two or three); every sheet has eight rows.
int labelsPerRow(SheetLayout layout);
inline constexpr int rowsPerSheet = 8;
/// The question asked before the next sheet when printing pauses after each sheet.
QString nextSheetQuestion(SheetLayout layout);

/// The centring of a sixteen-label line of width `w`, constant `k` and texts of length `l`:
/// `padding` blanks on each side and a separator of one or two blanks. A line whose texts
/// leave no room gets no padding and a one-blank separator.
struct Centring {
    int padding = 0;
    QString separator;
};
Centring centreInColumn(int w, int k, int l);

/// Leading blanks of a twenty-four-label line: (w - k - l) / 2 rounded to the nearest whole
/// number, halves to the even one; none when the texts leave no room.
int leadingBlanks(int w, int k, int l);

/// One line of a sheet: its text, font size in points, bold, and where it is placed when it
/// does not simply follow the previous line (millimetres from the printable area's corner,
/// within the sheet).
struct SheetLine {
    QString text;
    double size = 10;
    bool bold = false;
    std::optional<double> x;
    std::optional<double> y;
    /// The first line of a sixteen-label row: printed at the row's place on the sheet, one
    /// label height below the previous row's, so that rows never drift off their labels
    /// whatever the printer's line height.
    bool startsRow = false;
    /// The text is printed at `size` x `scale`: a call sign, a department or a reference too
    /// long for its column is printed smaller, never cut. The line still takes the height of
    /// `size`, so that the lines under it keep their places.
    double scale = 1;
};

/// Height of one label of a sheet format, which is also the distance between two rows.
double labelPitchMm(int format);

/// The empty lines before the first row of a sixteen-label sheet (none on twenty-four-label
/// sheets).
QList<SheetLine> sheetTopMargin(SheetLayout layout);

/// The lines of one row of a sixteen-label sheet, left and right label side by side (an empty
/// `rightEntry` gives a blank form): the top margin before the first row of a sheet, the seven
/// label lines with their gaps, and the gap before the next row unless the row is the
/// sheet's last.
QList<SheetLine> sixteenLabelRow(SheetLayout layout, const LabelContent &content,
                                 const QString &leftEntry, const QString &rightEntry,
                                 int rowOnSheet);

/// The lines of one row of a twenty-four-label sheet, the three labels placed one after the
/// other at the row whose top is `rowTopMm` (an empty entry gives a blank form).
QList<SheetLine> twentyFourLabelRow(const LabelContent &content, const QString (&entries)[3],
                                    double rowTopMm);

/// The author's web address, printed small at the foot of each twenty-four-label label.
QString labelWebAddress();

/// A page with the outline of every label cell of `format`: the place the run gives each
/// label, the first row starting `firstRowTopMm` down (where the sheet's top margin ends),
/// drawn with text so that any printer prints it. Each outline holds the label's number.
QList<SheetLine> testPageLines(int format, double firstRowTopMm = 0);

} // namespace zep
