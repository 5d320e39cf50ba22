#include "entry/DepartmentPainter.h"

#include "core/reports/Statistics.h"
#include "platform/Colors.h"

#include <QFont>
#include <QLabel>
#include <QWidget>

namespace zep {

namespace {
constexpr int rowHeight = 16;
// Repainting only what changes keeps a validation cheap: most labels keep their colour.
void paintLabel(QLabel *label, const QColor &color) {
    if (backgroundOf(label) != color)
        setBackground(label, color);
}
constexpr int columnWidth = 22;
constexpr int perColumn = 32;
} // namespace

DepartmentPainter::DepartmentPainter(QWidget *strip) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    int shown = 0;
    for (int i = 0; i < stripSize; ++i) {
        auto *label = new QLabel(MapDepartments::caption(i), strip);
        label->setObjectName(QStringLiteral("Dpt_%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setFont(font);
        label->setFixedSize(columnWidth - 2, rowHeight - 1);
        setBackground(label, colors::systemWindow());
        // Label 0 (department "00") and label 20 (Corsica before its split) are kept for the
        // painting but not shown: the strip is "01".."19", "21".."95", "2a", "2b".
        if (i == 0 || i == 20) {
            label->hide();
        } else {
            label->move((shown / perColumn) * columnWidth, (shown % perColumn) * rowHeight);
            ++shown;
        }
        strip_.append(label);
    }
    strip->setFixedSize(3 * columnWidth, perColumn * rowHeight);
}

void DepartmentPainter::registerMapLabels(const QList<QLabel *> &labels) {
    map_.clear();
    for (QLabel *label : labels)
        map_.append(label);
}

int DepartmentPainter::paint(const LogReading &log, const QString &band, const QString &mode,
                             const QString &entryBand, const QString &entryMode) {
    tally_.update(log);
    const DepartmentsWorked worked = tally_.worked(band, mode, entryBand, entryMode);
    const QColor background = colors::systemWindow();
    const QColor green = colors::departmentWorked();
    // Labels 0 are never reset: department "00" has no place on either display.
    for (int i = 1; i < strip_.size(); ++i)
        paintLabel(strip_[i], worked.strip[static_cast<size_t>(i)] ? green : background);
    for (int i = 1; i < map_.size() && i < mapSize; ++i)
        if (QLabel *label = map_[i])
            paintLabel(label, worked.map[static_cast<size_t>(i)] ? green : background);
    mapShown_.show(worked.map, band, mode);
    if (mapCountReceiver_)
        mapCountReceiver_(worked.mapCount);
    return worked.mapCount;
}

} // namespace zep
