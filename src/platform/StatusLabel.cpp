#include "platform/StatusLabel.h"

#include "platform/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTextDocumentFragment>

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
    updateGeometry();
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
    if (matters_ && matters_(shown)) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
        emit announced(shown);
    }
}

} // namespace zep
