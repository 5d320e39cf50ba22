#pragma once

#include "platform/WindowServices.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace zep {

class EntryDoor;

/// Opens one window of a kind without blocking the entry window: the first asking builds and
/// loads it; asking again while it is open brings it to the front as it is; once closed (which
/// unloads it) the next asking builds it afresh from the log.
template <class Window> class SingleWindowOpener {
public:
    explicit SingleWindowOpener(std::function<Window *()> make) : make_(std::move(make)) {}
    ~SingleWindowOpener() { delete window_.data(); }
    SingleWindowOpener(const SingleWindowOpener &) = delete;
    SingleWindowOpener &operator=(const SingleWindowOpener &) = delete;

    Window *open() {
        if (window_) {
            window_->show();
            window_->raise();
            window_->activateWindow();
            return window_;
        }
        window_ = make_();
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->Form_Load();
        return window_;
    }
    /// The open window, or null once it has been closed.
    Window *window() const { return window_; }

private:
    std::function<Window *()> make_;
    QPointer<Window> window_;
};

/// Wires "Afficher": the log display, the sorted log and the operator list.
void connectListingWindows(EntryDoor &entry, const WindowServices &services);

} // namespace zep
