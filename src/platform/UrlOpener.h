#pragma once

#include <QList>
#include <QUrl>

namespace zep {

/// Hands a web address to the user's browser. Windows receive it, so that tests never start a
/// browser.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    /// False when no browser could be started.
    virtual bool open(const QUrl &url) = 0;
};

/// The desktop's browser (`QDesktopServices`).
class DesktopUrlOpener : public UrlOpener {
public:
    bool open(const QUrl &url) override;
};

/// Test double: keeps every address asked for and answers as told.
class RecordingUrlOpener : public UrlOpener {
public:
    bool open(const QUrl &url) override {
        opened.append(url);
        return succeeds;
    }
    QList<QUrl> opened;
    bool succeeds = true;
};

} // namespace zep
