#pragma once

#include <QByteArray>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace zep {

/// The outline of one department of metropolitan France, in the drawing's own units.
struct DepartmentShape {
    int label = -1; ///< its map label: 1-95, 96 for "2a", 97 for "2b"
    QString id;     ///< "01", "2A"...
    QString name;   ///< "Ain"...
    QPainterPath outline;
};

/// The departments drawing: one outline per department, read from an SVG document made of
/// plain paths (one per department, its number as id, its name as aria-label).
class DepartmentAtlas {
public:
    /// The drawing built into the program, read once.
    static const DepartmentAtlas &france();

    /// Reads a drawing; on a fault `error` says what was wrong and the atlas is empty.
    static DepartmentAtlas fromSvg(const QByteArray &svg, QString *error = nullptr);

    QRectF viewBox() const { return viewBox_; }
    const QList<DepartmentShape> &shapes() const { return shapes_; }
    /// The shape of map label `label`, or null when the drawing has none.
    const DepartmentShape *shape(int label) const;

private:
    QRectF viewBox_;
    QList<DepartmentShape> shapes_;
};

/// The path data of an SVG path element: move, line, horizontal, vertical and close commands,
/// absolute or relative. False in `ok` on anything else (curves are not drawn by this map).
QPainterPath parseSvgPath(QStringView data, bool *ok = nullptr);

/// Where a label of `labelSize` sits best over `outline`: the point nearest the outline's
/// centre of area whose label rectangle stays inside it (`fits`), or the centre of area itself
/// when the department is too small or too thin for the label.
QPointF labelPlace(const QPainterPath &outline, QSizeF labelSize, bool *fits = nullptr);

/// The places of the labels of all `outlines`, in their order, no two labels covering each
/// other: a label that does not fit inside its department is moved to the nearest free place,
/// on its department when there is room, else beside it.
QList<QPointF> labelPlaces(const QList<QPainterPath> &outlines, QSizeF labelSize);

} // namespace zep
