#pragma once

#include <QListWidget>

#include <functional>

namespace zep {

/// A list box as the windows use it: an optional sorted mode that places each added item at
/// its rank (ascending, whole item text, case ignored), and one click handler that runs
/// whether the operator clicks an item, moves to it with the arrow keys, or the program
/// selects it with `setListIndex` — windows rely on a selection from code behaving exactly
/// like a click.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

    /// Keeps items ordered as they are added (items already present are re-sorted once).
    void setSortedList(bool sorted);
    bool isSortedList() const { return sorted_; }

    /// Adds an item, at its rank in a sorted list or at the end otherwise; returns its index.
    int addListItem(const QString &text);
    /// The text of the item at `index`, empty when there is none.
    QString listItem(int index) const;
    int listCount() const { return count(); }
    void clearList();

    /// The handler of a click on an item (also run by `setListIndex` and by the arrow keys).
    void onClick(std::function<void()> handler) { clickHandler_ = std::move(handler); }

    /// Selects the item at `index` (-1 clears the selection) and, for an item, runs the click
    /// handler as a click of the operator would.
    void setListIndex(int index);
    int listIndex() const { return currentRow(); }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void runClick();

    std::function<void()> clickHandler_;
    bool sorted_ = false;
    bool quiet_ = false;           ///< selection changes made by the program raise no click
    bool selectedByPress_ = false; ///< the last mouse press changed the selection
};

/// The order of a sorted list: ascending, the whole item text compared without regard to case
/// (the order the statistics and listings of the core expect too).
bool listTextLess(const QString &a, const QString &b);

} // namespace zep
