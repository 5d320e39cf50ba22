#include "platform/UrlOpener.h"

#include <QDesktopServices>

namespace zep {

bool DesktopUrlOpener::open(const QUrl &url) {
    return QDesktopServices::openUrl(url);
}

} // namespace zep
