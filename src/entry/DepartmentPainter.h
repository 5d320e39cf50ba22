#pragma once

#include "core/countries/MapDepartments.h"
#include "core/reports/Statistics.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLabel;
class QWidget;

namespace zep {

/// Paints the departments worked: the entry window's strip of labels `Dpt` (always for the
/// entry window's own band and mode) and, once the map window has registered its 100 labels
/// `Dep`, those labels for the band and mode the caller asks for. A worked department is light
/// green, the others in the window background colour.
class DepartmentPainter {
public:
    /// Builds the 98 strip labels ("01" to "95", "2a", "2b"; 0 and 20 hidden) in three
    /// columns of 32 inside `strip`.
    explicit DepartmentPainter(QWidget *strip);

    static constexpr int stripSize = 98;
    static constexpr int mapSize = 100;

    QLabel *stripLabel(int index) const { return strip_.value(index); }

    /// What the departments map shows after each painting, kept whether or not the map window
    /// is open: that window paints from it.
    MapDepartments &mapDepartments() { return mapShown_; }

    /// The map window's labels, index 0 to 99. They stay registered until that window goes.
    void registerMapLabels(const QList<QLabel *> &labels);
    /// Tells the map window the count of its worked labels after each painting.
    void onMapCount(std::function<void(int)> receiver) { mapCountReceiver_ = std::move(receiver); }

    /// Paints both displays from the log read; returns the number of map labels 1 to 99
    /// worked on `band` and `mode`.
    int paint(const LogReading &log, const QString &band, const QString &mode,
              const QString &entryBand, const QString &entryMode);

    /// Exchanges the kept tally with `other` (one counted on a worker).
    void swapTally(DepartmentTally &other) { std::swap(tally_, other); }

private:
    QList<QLabel *> strip_;
    QList<QPointer<QLabel>> map_;
    MapDepartments mapShown_;
    DepartmentTally tally_; ///< the log's departments, followed from painting to painting
    std::function<void(int)> mapCountReceiver_;
};

} // namespace zep
