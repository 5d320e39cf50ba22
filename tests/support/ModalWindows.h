#pragma once

// Acting on a modal window from a test, as the operator would once it is up. A check that
// fails inside the action (an ASSERT returns from it early) must fail the test, not leave the
// window open and the test waiting on it for ever: what the action leaves open is closed.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace zep::testing {

/// Closes every modal window still open, the topmost first; returns how many it closed.
inline int closeModalWindows() {
    int closed = 0;
    // Bounded: a window that refuses to close is not tried for ever.
    for (int tries = 0; tries < 16; ++tries) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
        ++closed;
    }
    return closed;
}

/// Closes, when it goes out of scope, every modal window still open: put it first in a
/// callback that acts on a modal window, so that whatever happens inside, the window closes.
class ModalWindowsClosed {
public:
    ModalWindowsClosed() = default;
    ModalWindowsClosed(const ModalWindowsClosed &) = delete;
    ModalWindowsClosed &operator=(const ModalWindowsClosed &) = delete;
    ~ModalWindowsClosed() { closeModalWindows(); }
};

/// Runs `act` on the modal window of type W once the event loop runs (the window's own loop,
/// when the next call opens it with exec()), then closes whatever modal window is still open.
/// `shown` (if given) tells whether a window of that type was there.
template <class W> void whenModalShown(std::function<void(W &)> act, bool *shown = nullptr) {
    QTimer::singleShot(0, [act = std::move(act), shown] {
        const ModalWindowsClosed closer;
        auto *window = qobject_cast<W *>(QApplication::activeModalWidget());
        if (shown)
            *shown = window != nullptr;
        if (window)
            act(*window);
    });
}

/// Runs `act` on the modal window of type W as soon as it is the active modal window, looked
/// for at each pass of the event loop (other modal windows may come first: a progress window
/// while the work is done on a worker), then closes whatever modal window is still open. It is
/// looked for as long as the returned watcher lives.
template <class W>
std::unique_ptr<QTimer> whenModalAppears(std::function<void(W &)> act, bool *shown = nullptr) {
    auto watcher = std::make_unique<QTimer>();
    watcher->setInterval(1);
    QTimer *timer = watcher.get();
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), shown] {
        auto *window = qobject_cast<W *>(QApplication::activeModalWidget());
        if (!window)
            return;
        timer->stop();
        const ModalWindowsClosed closer;
        if (shown)
            *shown = true;
        act(*window);
    });
    watcher->start();
    return watcher;
}

} // namespace zep::testing
