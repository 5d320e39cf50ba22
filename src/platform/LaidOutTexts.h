#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>

#include <algorithm>

namespace zep {

/// Short texts laid out once in one font and kept, for what draws the same texts again and
/// again (the rows of a list, the words of a status line): Qt lays a text out anew at each
/// paint otherwise. A text asked in another font drops every kept layout.
class LaidOutTexts {
public:
    /// Keeps the layouts of at most `capacity` texts; past it, the kept ones are dropped.
    explicit LaidOutTexts(int capacity) : capacity_(std::max(1, capacity)) {}

    /// The layout of `text` in `font`, plain text.
    const QStaticText &of(const QString &text, const QFont &font);
    /// The font of the layouts kept.
    const QFont &font() const { return font_; }
    int size() const { return int(texts_.size()); }

private:
    int capacity_;
    QFont font_;
    QHash<QString, QStaticText> texts_;
};

} // namespace zep
