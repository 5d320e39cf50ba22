#include "platform/StatusLabel.h"

#include "platform/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QTextDocumentFragment>
#include <QtMath>

#include <algorithm>

namespace zep {

namespace {

/// The interface a screen reader reads a status line through: its name follows the text
/// whatever way the text was set, so that it is never the caption alone while a state shows.
class StatusLineInterface : public QAccessibleWidget {
public:
    explicit StatusLineInterface(StatusLabel *label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        const auto *label = static_cast<const StatusLabel *>(widget());
        if (t == QAccessible::Name)
            return label->spokenName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *statusLines(const QString &, QObject *object) {
    if (auto *label = qobject_cast<StatusLabel *>(object))
        return new StatusLineInterface(label);
    return nullptr;
}

} // namespace

StatusLabel::StatusLabel(const QString &caption, QWidget *parent)
    : QLabel(parent), caption_(access::nameFromCaption(caption)) {
    static const bool installed = [] {
        QAccessible::installFactory(statusLines);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(caption_);
}

QString StatusLabel::spokenName() const {
    const QString shown = textFormat() == Qt::PlainText || !Qt::mightBeRichText(text())
                              ? text()
                              : QTextDocumentFragment::fromHtml(text()).toPlainText();
    const QString name = shown.simplified();
    if (name.isEmpty())
        return caption_;
    // A line whose text does not say what it is ("3 QSO sur 14 Mhz") is still found by its
    // caption.
    if (!name.startsWith(caption_, Qt::CaseInsensitive))
        return caption_ + QStringLiteral(" : ") + name;
    return name;
}

void StatusLabel::keepSizeOf(const QString &widest) {
    widest_ = widest;
    kept_ = QSize();
    // It paints every pixel of itself: what lies under it is not drawn again first.
    setAttribute(Qt::WA_OpaquePaintEvent, drawsItself());
    updateGeometry();
}

bool StatusLabel::drawsItself() const {
    // A plain line, left-aligned, without a frame, on a parent that draws what lies under it.
    return !widest_.isEmpty() && textFormat() == Qt::PlainText && frameShape() == NoFrame &&
           alignment() == (Qt::AlignLeft | Qt::AlignVCenter) && parentWidget() != nullptr;
}

bool StatusLabel::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::EnabledChange:
        // The kept image of the line goes with it (see paintEvent).
        under_ = QPixmap();
        break;
    default:
        break;
    }
    return QLabel::event(event);
}

void StatusLabel::paintEvent(QPaintEvent *event) {
    if (!drawsItself() || text().contains(QLatin1Char('\n'))) {
        if (testAttribute(Qt::WA_OpaquePaintEvent)) {
            // Drawn by QLabel, which does not paint what lies under its text.
            setAttribute(Qt::WA_OpaquePaintEvent, false);
            update();
            return;
        }
        QLabel::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (under_.isNull() || under_.size() != size() * ratio) {
        // The parent alone, as it draws itself where the line lies.
        under_ = QPixmap(size() * ratio);
        under_.setDevicePixelRatio(ratio);
        under_.fill(Qt::transparent);
        parentWidget()->render(&under_, QPoint(), QRegion(geometry()),
                               QWidget::DrawWindowBackground);
        composed_ = QPixmap();
    }
    const QColor pen =
        palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, foregroundRole());
    if (composed_.isNull() || composedFont_ != font() || composedPen_ != pen) {
        composed_ = under_.copy();
        composed_.setDevicePixelRatio(ratio);
        placed_.clear();
        composedFont_ = font();
        composedPen_ = pen;
    }
    compose(contentsRect().adjusted(margin(), margin(), -margin(), -margin()));
    QPainter painter(this);
    painter.drawPixmap(
        event->rect(), composed_,
        QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio));
}

void StatusLabel::compose(const QRect &area) {
    const QFontMetricsF metrics(font());
    std::vector<Placed> now;
    qreal x = area.x();
    const qreal space = metrics.horizontalAdvance(QLatin1Char(' '));
    const QString shown = text();
    for (const QStringView piece : QStringView(shown).split(QLatin1Char(' '))) {
        if (!piece.isEmpty()) {
            const QString word = piece.toString();
            const qreal width = words_.of(word, font()).size().width();
            now.push_back({word, x, width});
            x += width;
        }
        x += space;
    }
    // A word's ink may pass its advance by a little on either side.
    const int pad = qCeil(metrics.height() / 4);
    const auto rectOf = [&](const Placed &p) {
        return QRectF(p.x - pad, area.y(), p.width + 2 * pad, area.height()).toAlignedRect() & area;
    };
    QRegion changed;
    for (size_t i = 0; i < std::max(now.size(), placed_.size()); ++i) {
        const bool same = i < now.size() && i < placed_.size() && now[i] == placed_[i];
        if (same)
            continue;
        if (i < now.size())
            changed += rectOf(now[i]);
        if (i < placed_.size())
            changed += rectOf(placed_[i]);
    }
    placed_ = std::move(now);
    if (changed.isEmpty())
        return;
    // What lies under the changed words comes back, then every word that touches them is
    // drawn again there (a neighbour only where the changed word's room reaches it).
    QPainter painter(&composed_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setClipRegion(changed);
    painter.drawPixmap(QPointF(0, 0), under_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setFont(font());
    painter.setPen(composedPen_);
    const qreal y = qRound(area.y() + (area.height() - metrics.height()) / 2);
    for (const Placed &p : placed_)
        if (changed.intersects(rectOf(p)))
            painter.drawStaticText(QPointF(p.x, y), words_.of(p.word, font()));
}

QSize StatusLabel::sizeHint() const {
    if (widest_.isEmpty())
        return QLabel::sizeHint();
    if (!kept_.isValid()) {
        const QMargins m = contentsMargins();
        const int frame = 2 * margin();
        kept_ = QSize(fontMetrics().horizontalAdvance(widest_) + m.left() + m.right() + frame,
                      fontMetrics().height() + m.top() + m.bottom() + frame);
    }
    return kept_;
}

QSize StatusLabel::minimumSizeHint() const {
    return widest_.isEmpty() ? QLabel::minimumSizeHint() : sizeHint();
}

void StatusLabel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        kept_ = QSize();
    QLabel::changeEvent(event);
}

void StatusLabel::setText(const QString &shown) {
    if (shown == text())
        return;
    QLabel::setText(shown);
    setAccessibleName(spokenName());
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    if (!matters_)
        return;
    const bool matters = matters_(shown);
    const bool back = !matters && alarmed_ && back_ == Return::Announced && !shown.isEmpty();
    if (matters)
        alarmed_ = true;
    else if (!shown.isEmpty())
        alarmed_ = false;
    if (matters || back) {
        access::announce(this, spokenName());
        emit announced(shown);
    }
}

} // namespace zep
