#include "platform/ListBox.h"

#include "core/io/SortedList.h"

#include <QMouseEvent>

#include <algorithm>

namespace zep {

bool listTextLess(const QString &a, const QString &b) {
    return sortedListLess(a, b);
}

ListBox::ListBox(QWidget *parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A selection made by the operator (mouse or arrow keys) is a click. Only a selection
    // counts: the view making the first row current when it gets the focus is not one.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (quiet_)
            return;
        QListWidgetItem *item = currentItem();
        if (!item || !item->isSelected())
            return;
        selectedByPress_ = true;
        runClick();
    });
    // A click on the item that is already selected changes no selection but is a click too.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *) {
        if (!selectedByPress_)
            runClick();
    });
}

void ListBox::mousePressEvent(QMouseEvent *event) {
    selectedByPress_ = false;
    QListWidget::mousePressEvent(event);
}

void ListBox::setSortedList(bool sorted) {
    sorted_ = sorted;
    if (!sorted_ || count() < 2)
        return;
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts.append(item(i)->text());
    std::stable_sort(texts.begin(), texts.end(), listTextLess);
    clearList();
    for (const QString &t : std::as_const(texts))
        QListWidget::addItem(t);
}

int ListBox::addListItem(const QString &text) {
    quiet_ = true;
    int row = count();
    if (sorted_) {
        // After the equal items already present, as a sorted list control places them.
        int low = 0;
        int high = count();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (listTextLess(text, item(mid)->text()))
                high = mid;
            else
                low = mid + 1;
        }
        row = low;
    }
    insertItem(row, text);
    quiet_ = false;
    return row;
}

QString ListBox::listItem(int index) const {
    const QListWidgetItem *it = item(index);
    return it ? it->text() : QString();
}

void ListBox::clearList() {
    quiet_ = true;
    clear();
    quiet_ = false;
}

void ListBox::setListIndex(int index) {
    quiet_ = true;
    if (index >= 0 && index < count()) {
        setCurrentRow(index);
    } else {
        setCurrentRow(-1);
        clearSelection();
    }
    quiet_ = false;
    if (index >= 0 && index < count())
        runClick();
}

void ListBox::runClick() {
    if (clickHandler_)
        clickHandler_();
}

} // namespace zep
