#include "platform/LaidOutTexts.h"

#include <QTransform>

namespace zep {

const QStaticText &LaidOutTexts::of(const QString &text, const QFont &font) {
    if (font != font_) {
        texts_.clear();
        font_ = font;
    }
    if (auto found = texts_.constFind(text); found != texts_.cend())
        return *found;
    if (texts_.size() >= capacity_)
        texts_.clear();
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), font);
    return *texts_.insert(text, laid);
}

} // namespace zep
