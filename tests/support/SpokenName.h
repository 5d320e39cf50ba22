#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

namespace zep::testing {

/// The name a screen reader reads for `object`, through the interface Qt gives it.
inline QString spokenName(QObject *object) {
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(object);
    return heard ? heard->text(QAccessible::Name) : QString();
}

} // namespace zep::testing
