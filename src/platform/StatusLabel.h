#pragma once

#include "platform/LaidOutTexts.h"

#include <QLabel>
#include <QPixmap>

#include <functional>
#include <vector>

namespace zep {

/// A line of a window that tells a state and changes while the window is open ("Poste :
/// 14 285,00 kHz USB", "Sauvegarde : support absent", "Cadence : ..."). A screen reader hears
/// what it shows: its accessible name is its text (which begins with its caption, so it is
/// found by it; a text that does not begin with it is announced after it), or the caption
/// alone while it shows nothing; each change of text is sent to
/// the screen reader as a change of name, and a change the operator must hear even while
/// typing elsewhere (the radio lost, the backup medium gone, and their return) is announced.
class StatusLabel : public QLabel {
    Q_OBJECT
public:
    /// Whether a text shown is a state the operator must be told of at once.
    using Matters = std::function<bool(const QString &text)>;

    StatusLabel(const QString &caption, QWidget *parent);

    const QString &caption() const { return caption_; }
    /// What a screen reader announces: the text shown as plain text, else the caption.
    QString spokenName() const;

    /// Shows `text`, and makes it the accessible name. (It hides QLabel::setText: a text set
    /// through a QLabel pointer is still what a screen reader reads, but the widget's
    /// accessibleName() and the change event wait for the next text set here.)
    void setText(const QString &text);
    /// Whether the state that follows an announced one is announced too (the radio back after
    /// it was lost), or only the states that matter.
    enum class Return { Silent, Announced };
    /// The texts that are announced when they appear, wherever the keyboard is.
    void announceWhen(Matters matters, Return back = Return::Silent) {
        matters_ = std::move(matters);
        back_ = back;
    }
    /// A line whose figures change often keeps the size of `widest`, its longest text: the
    /// window's layout is not worked out again at each change, and the line does not move.
    void keepSizeOf(const QString &widest);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    /// A text that matters (or the return from one) was shown, and said to the screen reader.
    void announced(const QString &text);

protected:
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    /// A line that keeps its size draws its plain text itself, a word at a time, each word
    /// laid out once: its figures change at every QSO, its words hardly ever. It keeps an
    /// image of itself, what lies under it with its words on it, and only the words that
    /// changed or moved are drawn again there: the frame around it and the words that stay
    /// are not drawn again at each change.
    void paintEvent(QPaintEvent *event) override;

private:
    /// A word of the line as the kept image shows it.
    struct Placed {
        QString word;
        qreal x = 0, width = 0;
        bool operator==(const Placed &) const = default;
    };
    bool drawsItself() const;
    /// Brings the kept image up to the text shown.
    void compose(const QRect &area);

    QString caption_;
    Matters matters_;
    Return back_ = Return::Silent;
    bool alarmed_ = false; ///< the last text announced was one that matters
    QString widest_;
    mutable QSize kept_; ///< the size of `widest_` in the label's font, once worked out
    LaidOutTexts words_{256};
    QPixmap under_;    ///< what the parent draws where the line lies
    QPixmap composed_; ///< `under_` with the words of `placed_` drawn on it
    std::vector<Placed> placed_;
    QFont composedFont_;
    QColor composedPen_;
};

} // namespace zep
