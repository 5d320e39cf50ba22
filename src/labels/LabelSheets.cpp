#include "labels/LabelSheets.h"

#include "core/io/Settings.h"
#include "labels/SelectionEntry.h"

#include <algorithm>
#include <limits>

namespace zep {

namespace {

QString blanks(int n) {
    return QString(std::max(n, 0), QLatin1Char(' '));
}

// A label's text in a column of `width` characters: cut when the texts are too long, so that
// what follows on the printed line (the right-hand label) keeps its place. Only for the lines
// that carry no call sign, department or reference: those are printed whole (`wholeRow`,
// `fitWhole24`).
QString cutTo(const QString &text, int width) {
    return text.size() > width ? text.left(width) : text;
}
QString fitTo(const QString &text, int width) {
    return text.size() >= width ? text.left(width) : text + blanks(width - text.size());
}

// The width of every sixteen-label line but the confirmation line.
constexpr int lineWidth16 = 48;

struct Layout16 {
    int confirmationWidth;
    double confirmationSize;
    int topMarginLines;
    double topMarginSize;
    double gapSize; // after the location line and after the QSO line
    double between; // between two rows
};

Layout16 layout16(SheetLayout layout) {
    switch (layout) {
    case SheetLayout::B:
        return {32, 15, 0, 0, 2, 21};
    case SheetLayout::C:
        return {32, 15, 2, 8, 8, 7};
    default:
        return {37, 13, 3, 10, 8, 5};
    }
}

// One centred sixteen-label line: `before` and `after` the separator; the left-hand label is
// `width` wide, padded after its text as before it.
struct Pair {
    QString left;
    QString right;
};
Pair centred(int width, int k, int l, const QString &before, const QString &after) {
    const Centring c = centreInColumn(width, k, l);
    const QString pad = blanks(c.padding);
    const QString text = pad + before + c.separator + after;
    return {text + pad, text};
}

struct Lines16 {
    Pair confirmation, reference, third, qso, station, thanks;
};

Lines16 labelLines16(const Layout16 &lay, const LabelContent &c, const LabelFields &f,
                     bool leftLabel) {
    Lines16 lines;
    const int callDpt = int(f.call.size() + f.department.size());
    lines.confirmation =
        c.english
            ? centred(lay.confirmationWidth, 20, callDpt, QStringLiteral("Confirming QSO with"),
                      f.call + QLatin1Char(' ') + f.department)
            : centred(lay.confirmationWidth, 21, callDpt, QStringLiteral("Confirme le QSO avec"),
                      f.call + QLatin1Char(' ') + f.department);

    const QString number = c.reference.number.trimmed(), name = c.reference.name.trimmed();
    lines.reference = centred(lineWidth16, 0, int(number.size() + name.size()), number, name);

    if (c.twoReferences) {
        const QString n1 = c.secondNumber.trimmed(), m1 = c.secondName.trimmed();
        lines.third = centred(lineWidth16, 0, int(n1.size() + m1.size()), n1, m1);
    } else {
        const QString canton = c.reference.canton.trimmed();
        const QString cp = c.reference.postalCode.trimmed();
        const QString commune = c.reference.commune.trimmed();
        const int l = int(canton.size() + cp.size() + commune.size());
        const QString place = cp + QLatin1Char(' ') + commune;
        if (c.reference.canton.isEmpty()) {
            // Without a canton the left-hand text is one character wider than its column and
            // its right-hand partner starts with one blank less: both texts then start at the
            // same distance from their column's start.
            if (leftLabel)
                lines.third = centred(lineWidth16, 6, l, QStringLiteral("  "),
                                      place + QStringLiteral("    "));
            else
                lines.third = centred(lineWidth16, 6, l, QStringLiteral(" "), place);
        } else {
            lines.third = centred(lineWidth16, 6, l, QStringLiteral("DDCF ") + canton, place);
        }
    }

    lines.qso = centred(lineWidth16, 30, int(f.band.size() + f.mode.size() + f.report.size()),
                        f.date + QLatin1Char(' ') + f.time + QStringLiteral(" UTC  QRG ") + f.band +
                            QStringLiteral("  RST ") + f.report,
                        f.mode);

    const QString tx = c.transceiver.trimmed(), ant = c.antenna.trimmed();
    lines.station = centred(lineWidth16, 11, int(tx.size() + ant.size()),
                            QStringLiteral("TX : ") + tx, QStringLiteral("Ant : ") + ant);

    const QString activator = c.activator.trimmed();
    lines.thanks =
        c.english
            ? centred(lineWidth16, 27, int(activator.size()), QStringLiteral("Tnx for the QSO"),
                      QStringLiteral("  73's from ") + activator)
            : centred(lineWidth16, 27, int(activator.size()), QStringLiteral("Merci Pour le QSO"),
                      QStringLiteral("  73's de ") + activator);
    return lines;
}

QString joinRow(const Pair &left, const Pair &right, int width, int leftWidth) {
    return fitTo(left.left, leftWidth) + cutTo(right.right, width);
}

// A row whose texts carry a call sign, a department or a reference, never cut. When a label's
// text is wider than its column of `width` characters, the left label is padded to m
// characters (one blank more than its text, so that the two labels never touch) and the row
// printed at width / m of its size: m characters then span what `width` did, and the right
// label still starts 4 inches to the right.
SheetLine wholeRow(const Pair &left, const Pair &right, int width, double size, bool bold) {
    const qsizetype leftSize = left.left.size();
    const qsizetype m =
        std::max({qsizetype(width), leftSize > width ? leftSize + 1 : 0, right.right.size()});
    SheetLine line{left.left + blanks(int(m - leftSize)) + right.right, size, bold, {}, {}};
    line.scale = double(width) / double(m);
    return line;
}

QString signature(bool english) {
    return english
               ? blanks(81) + QStringLiteral("by Q0ZEP") + blanks(89) + QStringLiteral("by Q0ZEP")
               : blanks(80) + QStringLiteral("par Q0ZEP") + blanks(88) +
                     QStringLiteral("par Q0ZEP");
}

// Twenty-four-label sheets: three labels of 70 x 37 mm, placed from these left edges.
constexpr double columnLeft24[3] = {0, 66, 132};
constexpr double rowHeight24 = 37;
constexpr int narrowWidth24 = 33; // confirmation line, 12 points
constexpr int wideWidth24 = 50;   // every other line, 8 points

// A twenty-four-label line: centred by leading blanks, and cut at the label's width so that a
// long text never runs into the next label.
QString centred24(int width, int k, int l, const QString &text) {
    return cutTo(blanks(leadingBlanks(width, k, l)) + text, width);
}

// Letter Gothic: a character is half the font size wide (millimetres for a size in points).
double letterGothicPitchMm(double size) {
    return 0.5 * size * 25.4 / 72.0;
}

// One label's text on a twenty-four-label line that carries a call sign, a department or a
// reference: its leading blanks, its text, where and at what size it is printed.
struct Whole24 {
    int blanks;
    QString body;
    double x;
    double size;
    double scale = 1;
};

// The three labels' texts of one such line, never cut: each must end within its label's
// `width` characters and before the next label's text begins (labels are 66 mm apart but
// 70 mm wide, so a label's last letters can reach under the next one's leading blanks). A text
// that does not loses its leading blanks; one still too wide is printed smaller, with a blank's
// room before the next label. Worked from the right, where the next label's start is known.
void fitWhole24(Whole24 (&line)[3], int width) {
    double nextStart = std::numeric_limits<double>::max();
    for (int column = 2; column >= 0; --column) {
        Whole24 &t = line[column];
        const double pitch = letterGothicPitchMm(t.size);
        const double toNext = nextStart - t.x;
        const double room = std::min(width * pitch, toNext);
        const double n = double(t.body.size());
        if ((t.blanks + n) * pitch > room) {
            t.blanks = 0;
            if (n * pitch > room)
                t.scale = std::min(width / n, toNext / ((n + 1) * pitch));
        }
        nextStart = t.x + t.blanks * pitch;
    }
}

SheetLine sheetLine(const Whole24 &t, bool bold, std::optional<double> y) {
    SheetLine line{blanks(t.blanks) + t.body, t.size, bold, t.x, y};
    line.scale = t.scale;
    return line;
}

// The same text on the three labels of a row, at 8 points.
void fitSameText24(Whole24 (&line)[3], int width, int k, int l, const QString &text) {
    for (int column = 0; column < 3; ++column)
        line[column] = {leadingBlanks(width, k, l), text, columnLeft24[column], 8};
    fitWhole24(line, width);
}

} // namespace

LabelFields labelFields(const QString &entry) {
    LabelFields f;
    f.call = selectionField(entry, selcol::call, selcol::callWidth);
    if (f.call.isEmpty()) {
        // A blank form, to be filled in by hand.
        f.call = QStringLiteral(".......");
        f.report = QStringLiteral("..");
        f.mode = QStringLiteral("...");
        f.band = QStringLiteral(".. Mhz");
        f.date = QStringLiteral("........");
        f.time = QStringLiteral(".....");
        return f;
    }
    f.department = selectionField(entry, selcol::department, selcol::departmentWidth);
    f.report = selectionField(entry, selcol::report, selcol::reportWidth);
    f.mode = selectionField(entry, selcol::mode, selcol::modeWidth);
    f.band = selectionField(entry, selcol::band, selcol::bandWithUnitWidth);
    f.date = selectionField(entry, selcol::date, selcol::dateWidth);
    f.time = selectionField(entry, selcol::time, selcol::timeWidth);
    return f;
}

SheetLayout sheetLayout(int format) {
    switch (format) {
    case 2:
        return SheetLayout::B;
    case 4:
        return SheetLayout::C;
    case 5:
        return SheetLayout::TwentyFour;
    default:
        return SheetLayout::A;
    }
}

QString sheetFontName(SheetLayout layout) {
    return layout == SheetLayout::TwentyFour ? QStringLiteral("Letter Gothic")
                                             : QStringLiteral("Courier New");
}

int labelsPerRow(SheetLayout layout) {
    return layout == SheetLayout::TwentyFour ? 3 : 2;
}

QString nextSheetQuestion(SheetLayout layout) {
    const QString question = QStringLiteral("Page suivante ?");
    return layout == SheetLayout::B || layout == SheetLayout::TwentyFour ? blanks(15) + question
                                                                         : question;
}

Centring centreInColumn(int w, int k, int l) {
    const int r = w - k - l;
    Centring c;
    c.padding = r / 2;
    if (r % 2 == 0) {
        c.padding -= 1;
        c.separator = QStringLiteral("  ");
    } else {
        c.separator = QStringLiteral(" ");
    }
    if (c.padding < 0) {
        // No room left: the texts are printed without padding.
        c.padding = 0;
        c.separator = QStringLiteral(" ");
    }
    return c;
}

int leadingBlanks(int w, int k, int l) {
    const int n = w - k - l;
    if (n <= 0)
        return 0;
    const int half = n / 2;
    if (n % 2 == 0)
        return half;
    return half % 2 == 0 ? half : half + 1;
}

QList<SheetLine> sixteenLabelRow(SheetLayout layout, const LabelContent &content,
                                 const QString &leftEntry, const QString &rightEntry,
                                 int rowOnSheet) {
    const Layout16 lay = layout16(layout);
    const Lines16 l = labelLines16(lay, content, labelFields(leftEntry), true);
    const Lines16 r = labelLines16(lay, content, labelFields(rightEntry), false);
    const bool locationWithoutCanton = !content.twoReferences && content.reference.canton.isEmpty();

    QList<SheetLine> lines;
    if (rowOnSheet == 0)
        lines = sheetTopMargin(layout);
    lines.append(wholeRow(l.confirmation, r.confirmation, lay.confirmationWidth,
                          lay.confirmationSize, true));
    lines.last().startsRow = true;
    lines.append(wholeRow(l.reference, r.reference, lineWidth16, 10, true));
    if (content.twoReferences)
        lines.append(wholeRow(l.third, r.third, lineWidth16, 10, true));
    else
        lines.append({joinRow(l.third, r.third, lineWidth16,
                              locationWithoutCanton ? lineWidth16 + 1 : lineWidth16),
                      10,
                      false,
                      {},
                      {}});
    lines.append({QString(), lay.gapSize, false, {}, {}});
    lines.append({joinRow(l.qso, r.qso, lineWidth16, lineWidth16), 10, false, {}, {}});
    lines.append({QString(), lay.gapSize, false, {}, {}});
    lines.append({joinRow(l.station, r.station, lineWidth16, lineWidth16), 10, false, {}, {}});
    lines.append({joinRow(l.thanks, r.thanks, lineWidth16, lineWidth16), 10, false, {}, {}});
    lines.append({signature(content.english), 5, false, {}, {}});
    if (rowOnSheet < rowsPerSheet - 1)
        lines.append({QString(), lay.between, false, {}, {}});
    return lines;
}

QList<SheetLine> twentyFourLabelRow(const LabelContent &content, const QString (&entries)[3],
                                    double rowTopMm) {
    const QString number = content.reference.number.trimmed();
    const QString name = content.reference.name.trimmed();
    const QString canton = content.reference.canton.trimmed();
    const QString cp = content.reference.postalCode.trimmed();
    const QString commune = content.reference.commune.trimmed();
    const QString n1 = content.secondNumber.trimmed(), m1 = content.secondName.trimmed();
    const QString tx = content.transceiver.trimmed(), ant = content.antenna.trimmed();
    const QString activator = content.activator.trimmed();

    // The lines under the QSO line are the same on every label of the run.
    Whole24 reference[3], secondReference[3];
    fitSameText24(reference, wideWidth24, 0, int(number.size() + name.size()),
                  number + u' ' + name);
    if (content.twoReferences)
        fitSameText24(secondReference, wideWidth24, 0, int(n1.size() + m1.size()), n1 + u' ' + m1);
    const QString location =
        centred24(wideWidth24, 6, int(canton.size() + cp.size() + commune.size()),
                  QStringLiteral("DDCF ") + canton + u' ' + cp + u' ' + commune);
    const QString station =
        centred24(wideWidth24, 11, int(tx.size() + ant.size()),
                  QStringLiteral("TX: ") + tx + QStringLiteral("  Ant: ") + ant);
    const QString thanks =
        centred24(wideWidth24, 27, int(activator.size()),
                  (content.english ? QStringLiteral("Tnx for the QSO   73's from ")
                                   : QStringLiteral("Merci Pour le QSO   73's de ")) +
                      activator);

    // The first column's confirmation line is a point smaller and moved 3 mm in.
    LabelFields fields[3];
    Whole24 confirmation[3];
    for (int column = 0; column < 3; ++column) {
        const LabelFields &f = fields[column] = labelFields(entries[column]);
        confirmation[column] = {
            leadingBlanks(narrowWidth24, 21, int(f.call.size() + f.department.size())),
            (content.english ? QStringLiteral("Confirming QSO with ")
                             : QStringLiteral("Confirme le QSO avec ")) +
                f.call + u' ' + f.department,
            columnLeft24[column] + (column == 0 ? 3 : 0), column == 0 ? 11.0 : 12.0};
    }
    fitWhole24(confirmation, narrowWidth24);

    QList<SheetLine> lines;
    for (int column = 0; column < 3; ++column) {
        const LabelFields &f = fields[column];
        const double x = columnLeft24[column];
        lines.append(sheetLine(confirmation[column], true, rowTopMm + 2));
        const QString qso =
            centred24(wideWidth24, 30, int(f.band.size() + f.mode.size() + f.report.size()),
                      f.date + u' ' + f.time + QStringLiteral(" UTC  QRG ") + f.band +
                          QStringLiteral("  RST ") + f.report + u' ' + f.mode);
        lines.append({qso, 8, false, x, rowTopMm + 7});
        lines.append(sheetLine(reference[column], false, {}));
        if (content.twoReferences)
            lines.append(sheetLine(secondReference[column], false, {}));
        else
            lines.append({location, 8, false, x, {}});
        lines.append({station, 8, false, x, {}});
        lines.append({thanks, 8, false, x, {}});
        lines.append({labelWebAddress(), 6, false, x + 50, rowTopMm + 26.5});
    }
    return lines;
}

QString labelWebAddress() {
    return projectSiteHost;
}

double labelPitchMm(int format) {
    static constexpr double labelHeight[5] = {33.9, 37, 34, 35, rowHeight24};
    return labelHeight[(format >= 1 && format <= 5 ? format : 1) - 1];
}

QList<SheetLine> sheetTopMargin(SheetLayout layout) {
    QList<SheetLine> lines;
    if (layout == SheetLayout::TwentyFour)
        return lines;
    const Layout16 lay = layout16(layout);
    for (int i = 0; i < lay.topMarginLines; ++i)
        lines.append({QString(), lay.topMarginSize, false, {}, {}});
    return lines;
}

QList<SheetLine> testPageLines(int format, double firstRowTopMm) {
    // The cell of each label: rows at the sheet's label height; columns where the run starts
    // each label (the right-hand label of a sixteen-label row begins 48 characters of
    // 10-point "Courier New", 4 inches, to the right).
    const SheetLayout layout = sheetLayout(format);
    const int columns = labelsPerRow(layout);
    const double pitchX = layout == SheetLayout::TwentyFour ? columnLeft24[1] : 101.6;
    const double pitchY = labelPitchMm(format);
    // Outline of pitch less one millimetre, so that neighbouring outlines stay apart. It is
    // drawn in a fixed-pitch font whose size makes the frame's characters span its width
    // exactly (an advance of 0.6 of the size, one point being 25.4 / 72 mm).
    constexpr int frameChars = 40;
    const double width = pitchX - 1, height = pitchY - 1;
    const double size = width * 72.0 / 25.4 / (0.6 * frameChars);
    const double lineMm = size * 25.4 / 72.0;
    const QString edge = u'+' + QString(frameChars - 2, u'-') + u'+';
    const QString side = u'|' + blanks(frameChars - 2) + u'|';

    QList<SheetLine> lines;
    for (int row = 0; row < rowsPerSheet; ++row) {
        for (int column = 0; column < columns; ++column) {
            const double x = column * pitchX, y = firstRowTopMm + row * pitchY;
            const int number = row * columns + column + 1;
            lines.append({edge, size, false, x, y});
            for (int step = 1; y + (step + 1) * lineMm < y + height; ++step) {
                QString text = side;
                if (step == 1)
                    text.replace(2, 2, QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')));
                lines.append({text, size, false, x, y + step * lineMm});
            }
            lines.append({edge, size, false, x, y + height - lineMm});
        }
    }
    return lines;
}

} // namespace zep
