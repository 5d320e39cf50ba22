#pragma once

#include "labels/LabelSheets.h"

#include <QString>
#include <QStringList>

namespace zep {

class Printer;
class Dialogs;

/// Everything one run of QSL labels takes from the label designer and the selection window.
struct LabelRun {
    /// Sheet format, the number stored as "N° Etiquette": 1 and 3 sixteen labels (layout A),
    /// 2 (layout B), 4 (layout C), 5 twenty-four labels placed in millimetres.
    int format = 1;
    /// Texts shared by every label of the run: language, references, station, activator.
    LabelContent content;
    /// "Arret impression a chaque feuille": ask before each new sheet.
    bool pauseEachSheet = false;
    /// The entries of the chosen-QSO list, in the order the list holds them (selection entries
    /// as `selectionEntry` builds them). Two or three of them make one row of labels.
    QStringList entries;
    /// The designer window's own font name, given back to the printer at the end of the run.
    QString restoreFontName;
    /// Calibration of this sheet format to the operator's printer: every line of the run is
    /// moved by these millimetres (positive: right and down).
    double offsetXmm = 0;
    double offsetYmm = 0;
};

/// Prints the labels of `run`: the printer dialog first (a cancelled dialog prints nothing),
/// then one print job per sheet, with the pause question between sheets through `dialogs`.
/// A run into a PDF file puts every sheet on a page of the one document.
void printLabels(Printer &printer, Dialogs &dialogs, const LabelRun &run);

/// Prints one page with the outline of every label of `format` (the place each label's text
/// is given on the sheet), moved by the offsets, so that it can be held against a sheet of
/// labels before a real sheet is used. Shows the printer dialog first, like a run.
void printTestPage(Printer &printer, int format, double offsetXmm, double offsetYmm);

} // namespace zep
