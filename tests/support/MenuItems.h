#pragma once

#include <QAction>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace zep::testing {

/// The menu item a subsystem added to `window`, found by its objectName as a user's tool would.
inline QAction *menuItem(QWidget &window, const char *name) {
    auto *item = window.findChild<QAction *>(QString::fromLatin1(name));
    if (!item)
        ADD_FAILURE() << "no menu item " << name;
    return item;
}

} // namespace zep::testing
