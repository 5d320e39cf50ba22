#include "platform/QsoList.h"

#include "core/log/QsoLine.h"
#include "platform/ShapedTextDelegate.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>

#include <algorithm>

namespace zep {

int QsoListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant QsoListModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole || index.parent().isValid() || index.row() < 0 ||
        index.row() >= lines_.size())
        return {};
    return qsoListItem(index.row() + 1, lines_.at(index.row()));
}

void QsoListModel::setLines(const QStringList &lines) {
    beginResetModel();
    lines_ = lines;
    endResetModel();
}

void QsoListModel::appendLines(const QStringList &lines) {
    if (lines.isEmpty())
        return;
    beginInsertRows({}, int(lines_.size()), int(lines_.size() + lines.size() - 1));
    lines_.append(lines);
    endInsertRows();
}

void QsoListModel::setLine(int row, const QString &line) {
    if (row < 0 || row >= lines_.size())
        return;
    lines_[row] = line;
    emit dataChanged(index(row), index(row), {Qt::DisplayRole});
}

void QsoListModel::follow(const LogReading &reading) {
    followLog(
        seen_, reading,
        [this](const LogChange &change) {
            const qsizetype shown = lines_.size();
            if (change.removed.isEmpty() && change.at == shown) {
                appendLines(change.added);
            } else if (change.samePlaces() && change.at + change.added.size() <= shown) {
                for (qsizetype i = 0; i < change.added.size(); ++i)
                    setLine(int(change.at + i), change.added.at(i));
            } else {
                return false;
            }
            return true;
        },
        [this](const QStringList &lines) { setLines(lines); });
    if (lines_.size() != reading.lines.size())
        setLines(reading.lines);
}

QsoList::QsoList(QWidget *parent) : QTableView(parent), model_(new QsoListModel(this)) {
    setModel(model_);
    // The rows' texts are laid out once and each row kept as an image: the list is repainted
    // whole after each QSO.
    auto *rows = new ShapedTextDelegate(this, 256);
    rows->keepRowImages(true);
    setItemDelegate(rows);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { emit currentRowChanged(current.row()); });
    // The rows shown are measured as they come: a QSO line is 104 columns, a hand-edited one
    // may be longer.
    const auto measure = [this](int first, int last) {
        for (int row = first; row <= last; ++row)
            longest_ = std::max(longest_, int(model_->lines().at(row).size()));
        fitColumn();
    };
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [measure](const QModelIndex &, int first, int last) { measure(first, last); });
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [measure](const QModelIndex &from, const QModelIndex &to) {
                measure(from.row(), to.row());
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this, measure] {
        longest_ = 0;
        measure(0, model_->rowCount() - 1);
    });
    fitToFont();
}

void QsoList::setCurrentRow(int row) {
    const QModelIndex index = model_->index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    // Shown as well: the view scrolls to a new current row.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}

QString QsoList::itemText(int row) const {
    return model_->data(model_->index(row)).toString();
}

QModelIndex QsoList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome)
        return model_->index(0);
    if (action == MoveEnd)
        return model_->index(model_->rowCount() - 1);
    return QTableView::moveCursor(action, modifiers);
}

void QsoList::changeEvent(QEvent *event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToFont();
}

void QsoList::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    fitColumn();
}

void QsoList::fitToFont() {
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    fitColumn();
}

QSize QsoList::sizeHint() const {
    const int text = fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                     (6 + 2 + std::max(int(qsocol::lineLength), longest_));
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {text + 8 + 2 * frameWidth() + scrollBar, QTableView::sizeHint().height()};
}

void QsoList::fitColumn() {
    // The number takes at least four digits and two blanks; a fixed-pitch font gives every
    // character the width of "0". The text keeps a few pixels of margin on each side.
    const int digits = std::max(4, int(QString::number(model_->rowCount()).size()));
    const int text = fontMetrics().horizontalAdvance(QLatin1Char('0')) * (digits + 2 + longest_);
    setColumnWidth(0, std::max(text + 8, viewport()->width()));
}

void QsoList::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    if (hasFocus())
        QTableView::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
}

void QsoList::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) {
    if (hasFocus())
        QTableView::selectionChanged(selected, deselected);
    else
        QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace zep
