#pragma once

#include "platform/LaidOutTexts.h"

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace zep {

/// Draws the rows of a list of plain text lines (the QSO list, the known call signs) with their
/// text laid out once and kept: Qt's own delegate lays out and shapes every row's text again at
/// every paint, which on the entry window's lists cost several milliseconds at each QSO and a
/// good part of each key typed in the call-sign field. What is drawn is the same: the row's
/// background and highlight by the style, its text in the row's colour, clipped to the row.
/// Rows with an icon or a check box are drawn by Qt's delegate.
class ShapedTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    /// Keeps the layouts of at most `capacity` texts; past it, the kept ones are dropped.
    explicit ShapedTextDelegate(QObject *parent = nullptr, int capacity = 1024);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    /// Texts whose layout is kept now.
    int kept() const { return shaped_.size(); }

    /// Keeps each row drawn as an image too, for a list repainted whole at every change (the
    /// QSO list after each QSO): drawing a row is then a copy of its pixels rather than the
    /// blending of a hundred glyphs. Rows are opaque, on the palette's base colour.
    void keepRowImages(bool keep) { rowImages_ = keep; }
    /// Row images kept now.
    int keptImages() const { return int(images_.size()); }

private:
    struct RowKey {
        QString text;
        QSize size;
        int state = 0;
        bool operator==(const RowKey &) const = default;
    };
    friend size_t qHash(const RowKey &key, size_t seed) {
        return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.state);
    }
    const QStaticText &shaped(const QString &text, const QFont &font) const;
    void drawRow(QPainter *painter, QStyleOptionViewItem &opt, const QString &text) const;
    static int textMargin(const QWidget *widget);

    mutable LaidOutTexts shaped_;
    mutable int rowHeight_ = -1;
    bool rowImages_ = false;
    mutable QHash<RowKey, QPixmap> images_;
    mutable qint64 paletteKey_ = 0;
};

} // namespace zep
