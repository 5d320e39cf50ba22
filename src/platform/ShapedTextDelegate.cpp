#include "platform/ShapedTextDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace zep {

ShapedTextDelegate::ShapedTextDelegate(QObject *parent, int capacity)
    : QStyledItemDelegate(parent), shaped_(capacity) {}

int ShapedTextDelegate::textMargin(const QWidget *widget) {
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The style's own margin around an item's text.
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

const QStaticText &ShapedTextDelegate::shaped(const QString &text, const QFont &font) const {
    // The row's height is measured again for another font.
    if (font != shaped_.font())
        rowHeight_ = -1;
    return shaped_.of(text, font);
}

void ShapedTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (opt.features & (QStyleOptionViewItem::HasDecoration |
                        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::WrapText)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString text = std::exchange(opt.text, QString());
    // A row with colours of its own is drawn as it comes.
    if (!rowImages_ || opt.rect.isEmpty() || !opt.widget ||
        index.data(Qt::ForegroundRole).isValid() || index.data(Qt::BackgroundRole).isValid()) {
        drawRow(painter, opt, text);
        return;
    }
    if (opt.font != shaped_.font() || opt.widget->palette().cacheKey() != paletteKey_) {
        images_.clear();
        paletteKey_ = opt.widget->palette().cacheKey();
    }
    const bool alternate = opt.features & QStyleOptionViewItem::Alternate;
    const int state =
        int(opt.state & (QStyle::State_Selected | QStyle::State_Active | QStyle::State_Enabled |
                         QStyle::State_HasFocus | QStyle::State_MouseOver)) |
        (alternate ? 1 << 30 : 0);
    const RowKey key{text, opt.rect.size(), state};
    auto found = images_.constFind(key);
    if (found == images_.cend()) {
        if (images_.size() >= 256)
            images_.clear();
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap image(opt.rect.size() * ratio);
        image.setDevicePixelRatio(ratio);
        image.fill(opt.palette.color(alternate ? QPalette::AlternateBase : QPalette::Base));
        QPainter on(&image);
        QStyleOptionViewItem at = opt;
        at.rect = QRect(QPoint(0, 0), opt.rect.size());
        drawRow(&on, at, text);
        on.end();
        found = images_.insert(key, image);
    }
    painter->drawPixmap(opt.rect.topLeft(), *found);
}

void ShapedTextDelegate::drawRow(QPainter *painter, QStyleOptionViewItem &opt,
                                 const QString &text) const {
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // Background, highlight and focus frame by the style, without a text to lay out.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (text.isEmpty())
        return;

    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const QColor colour = opt.palette.color(
        group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
    const int margin = textMargin(widget);
    const QRect area = opt.rect.adjusted(margin, 0, -margin, 0);
    const QStaticText &laid = shaped(text, opt.font);
    const QSizeF size = laid.size();
    qreal x = area.x();
    if (opt.displayAlignment & Qt::AlignRight)
        x = area.right() + 1 - size.width();
    else if (opt.displayAlignment & Qt::AlignHCenter)
        x = area.x() + (area.width() - size.width()) / 2;
    qreal y = area.y() + (area.height() - size.height()) / 2;
    if (opt.displayAlignment & Qt::AlignTop)
        y = area.y();
    else if (opt.displayAlignment & Qt::AlignBottom)
        y = area.bottom() + 1 - size.height();

    painter->save();
    painter->setClipRect(area, Qt::IntersectClip);
    painter->setFont(opt.font);
    painter->setPen(colour);
    painter->drawStaticText(QPointF(x, y), laid);
    painter->restore();
}

QSize ShapedTextDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (opt.features & (QStyleOptionViewItem::HasDecoration |
                        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::WrapText))
        return QStyledItemDelegate::sizeHint(option, index);
    const QStaticText &laid = shaped(opt.text, opt.font);
    if (rowHeight_ < 0) {
        // The style's height of a row of one line, measured once for the font.
        QStyleOptionViewItem one = opt;
        one.text = QStringLiteral("0");
        const QWidget *widget = opt.widget;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        rowHeight_ =
            style->sizeFromContents(QStyle::CT_ItemViewItem, &one, QSize(), widget).height();
    }
    return {int(std::ceil(laid.size().width())) + 2 * textMargin(opt.widget), rowHeight_};
}

} // namespace zep
