#include "labels/LabelSheets.h"

#include "core/Settings.h"
#include "labels/SelectionEntry.h"

namespace zep {

namespace {

QString blanks(int n) {
    return QString(std::max(n, 0), QLatin1Char(' '));
}

// A label's text in a column of `width` characters: cut when the texts are too long, so that
// what follows on the printed line (the right-hand label) keeps its place.
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
        // No room left: the texts are printed without padding (and cut to the column).
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
    const int cw = lay.confirmationWidth;
    lines.append({joinRow(l.confirmation, r.confirmation, cw, cw),
                  lay.confirmationSize,
                  true,
                  {},
                  {},
                  true});
    lines.append({joinRow(l.reference, r.reference, lineWidth16, lineWidth16), 10, true, {}, {}});
    lines.append({joinRow(l.third, r.third, lineWidth16,
                          locationWithoutCanton ? lineWidth16 + 1 : lineWidth16),
                  10,
                  content.twoReferences,
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
    const QString reference =
        centred24(wideWidth24, 0, int(number.size() + name.size()), number + u' ' + name);
    const QString third =
        content.twoReferences
            ? centred24(wideWidth24, 0, int(n1.size() + m1.size()), n1 + u' ' + m1)
            : centred24(wideWidth24, 6, int(canton.size() + cp.size() + commune.size()),
                        QStringLiteral("DDCF ") + canton + u' ' + cp + u' ' + commune);
    const QString station =
        centred24(wideWidth24, 11, int(tx.size() + ant.size()),
                  QStringLiteral("TX: ") + tx + QStringLiteral("  Ant: ") + ant);
    const QString thanks =
        centred24(wideWidth24, 27, int(activator.size()),
                  (content.english ? QStringLiteral("Tnx for the QSO   73's from ")
                                   : QStringLiteral("Merci Pour le QSO   73's de ")) +
                      activator);

    QList<SheetLine> lines;
    for (int column = 0; column < 3; ++column) {
        const LabelFields f = labelFields(entries[column]);
        const double x = columnLeft24[column];
        const QString confirmation =
            centred24(narrowWidth24, 21, int(f.call.size() + f.department.size()),
                      (content.english ? QStringLiteral("Confirming QSO with ")
                                       : QStringLiteral("Confirme le QSO avec ")) +
                          f.call + u' ' + f.department);
        // The first column's confirmation line is a point smaller and moved 3 mm in.
        if (column == 0)
            lines.append({confirmation, 11, true, x + 3, rowTopMm + 2});
        else
            lines.append({confirmation, 12, true, x, rowTopMm + 2});
        const QString qso =
            centred24(wideWidth24, 30, int(f.band.size() + f.mode.size() + f.report.size()),
                      f.date + u' ' + f.time + QStringLiteral(" UTC  QRG ") + f.band +
                          QStringLiteral("  RST ") + f.report + u' ' + f.mode);
        lines.append({qso, 8, false, x, rowTopMm + 7});
        lines.append({reference, 8, false, x, {}});
        lines.append({third, 8, false, x, {}});
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
