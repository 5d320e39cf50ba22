#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace zep {

/// The signal colours of every window.
namespace colors {
inline QColor lightGreen() { return QColor(192, 255, 192); } ///< the field expected next
inline QColor lightYellow() { return QColor(255, 255, 192); } ///< done, or not reached yet
inline QColor grey() { return QColor(192, 192, 192); }
inline QColor departmentWorked() { return QColor(0x80, 0xFF, 0x80); }
QColor systemButton();
QColor systemWindow();
} // namespace colors

/// Sets a control's background (base for edit fields and lists, button for buttons,
/// window for labels) and keeps it readable for tests through `backgroundOf`.
void setBackground(QWidget *widget, const QColor &color);
QColor backgroundOf(const QWidget *widget);

/// Centres a window on its screen: left = half of (screen width - window width), top alike.
void centreOnScreen(QWidget *window);

} // namespace zep
