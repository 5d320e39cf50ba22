#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QTransform>
#include <QWidget>

class QLabel;

namespace zep {

class MapDepartments;

/// The picture of the departments map: the outlines of metropolitan France's departments in
/// black on white, an inset that enlarges Paris and its inner ring (75, 92, 93, 94), and one
/// label `Dep` per department over it, captioned with its number. The departments worked in
/// what `shown` holds are filled light green, their labels too; the others stay white, their
/// labels in the window background colour.
class DepartmentMapView : public QWidget {
    Q_OBJECT
public:
    explicit DepartmentMapView(const MapDepartments &shown, QWidget *parent = nullptr);

    static constexpr int labelWidth = 25;
    static constexpr int labelHeight = 20;

    /// The labels, index 0 to 99: "01".."95", "2a", "2b"; 0, 20, 98 and 99 are hidden.
    QList<QLabel *> Dep;

    /// Where the label of department `label` is centred on this picture: inside the
    /// department when the label fits there (in the inset for the Paris departments).
    QPointF departmentCentre(int label) const;
    /// The inset's frame on the picture.
    QRectF insetFrame() const { return insetFrame_; }

    /// Takes the colours of `shown` again (called on each change of it).
    void showWorked();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    /// The outlines, the inset's frame and its title, on a transparent layer.
    QImage drawLines(qreal pixelRatio) const;

    const MapDepartments &shown_;
    QRectF insetFrame_;
    QRectF insetArea_;            ///< what the inset shows, in drawing units
    QTransform insetTransform_;   ///< drawing units -> inset on the picture
    QTransform pictureTransform_; ///< drawing units -> the picture
    QImage lines_;
};

} // namespace zep
