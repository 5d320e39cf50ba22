#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <QPointer>

namespace zep::testing {

/// Records what the window sends a screen reader while it lives (accessibility switched on,
/// as it is when a screen reader runs). One at a time.
class AccessibleEvents {
public:
    struct Sent {
        QPointer<QObject> object;
        QAccessible::Event type;
    };
    AccessibleEvents() {
        sent().clear();
        wasActive_ = QAccessible::isActive();
        QAccessible::setActive(true);
        previous_ = QAccessible::installUpdateHandler(&record);
    }
    ~AccessibleEvents() {
        QAccessible::installUpdateHandler(previous_);
        QAccessible::setActive(wasActive_);
    }
    AccessibleEvents(const AccessibleEvents &) = delete;
    AccessibleEvents &operator=(const AccessibleEvents &) = delete;

    /// How many events of `type` were sent for `object`.
    int count(const QObject *object, QAccessible::Event type) const {
        int n = 0;
        for (const Sent &s : sent())
            n += s.object == object && s.type == type;
        return n;
    }
    void clear() { sent().clear(); }

private:
    static QList<Sent> &sent() {
        static QList<Sent> all;
        return all;
    }
    static void record(QAccessibleEvent *event) {
        sent().append({event->object(), event->type()});
    }
    QAccessible::UpdateHandler previous_ = nullptr;
    bool wasActive_ = false;
};

/// The name a screen reader reads for `object`.
inline QString spokenName(QObject *object) {
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(object);
    return heard ? heard->text(QAccessible::Name) : QString();
}

} // namespace zep::testing
