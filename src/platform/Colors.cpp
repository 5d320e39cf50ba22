#include "platform/Colors.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace zep {

namespace colors {
QColor systemButton() { return QApplication::palette().color(QPalette::Button); }
QColor systemWindow() { return QApplication::palette().color(QPalette::Window); }
} // namespace colors

namespace {
const char *backgroundProperty = "zepBackground";
}

void setBackground(QWidget *widget, const QColor &color) {
    QPalette palette = widget->palette();
    if (qobject_cast<QAbstractButton *>(widget)) {
        palette.setColor(QPalette::Button, color);
        widget->setAutoFillBackground(true);
    } else if (qobject_cast<QLabel *>(widget)) {
        palette.setColor(QPalette::Window, color);
        widget->setAutoFillBackground(true);
    } else {
        palette.setColor(QPalette::Base, color);
    }
    widget->setPalette(palette);
    widget->setProperty(backgroundProperty, color);
}

QColor backgroundOf(const QWidget *widget) {
    const QVariant v = widget->property(backgroundProperty);
    if (v.isValid())
        return v.value<QColor>();
    if (qobject_cast<const QAbstractButton *>(widget))
        return widget->palette().color(QPalette::Button);
    if (qobject_cast<const QLabel *>(widget))
        return widget->palette().color(QPalette::Window);
    return widget->palette().color(QPalette::Base);
}

void centreOnScreen(QWidget *window) {
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}

} // namespace zep
