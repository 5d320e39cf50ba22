#include "entry/QsoList.h"

#include "core/QsoLine.h"

#include <QItemSelectionModel>

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

QsoList::QsoList(QWidget *parent) : QListView(parent), model_(new QsoListModel(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { emit currentRowChanged(current.row()); });
}

void QsoList::setCurrentRow(int row) {
    const QModelIndex index = model_->index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    // Shown as well: the view scrolls to a new current row.
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

QString QsoList::itemText(int row) const {
    return model_->data(model_->index(row)).toString();
}

} // namespace zep
