#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <QTableView>

#include "core/log/LogJournal.h"

namespace zep {

/// The lines of the log as the QSO list shows them: row n is QSO n + 1, shown as its number and
/// its line (see qsoListItem). The item texts are made only for the rows drawn or asked for, so
/// that a log of years costs no 100,000 items.
class QsoListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &lines() const { return lines_; }
    /// Every row anew.
    void setLines(const QStringList &lines);
    /// Rows added at the end.
    void appendLines(const QStringList &lines);
    /// One row's line changed; its number stays.
    void setLine(int row, const QString &line);
    /// Brings the rows to a reading of the log by its changes since the rows last followed
    /// it: QSOs added at the end are added, an edited QSO has its row rewritten. A QSO deleted
    /// or inserted before others renumbers every QSO after it, and another log is shown anew.
    void follow(const LogReading &reading);

private:
    QStringList lines_;
    quint64 seen_ = 0; ///< the version of the log the rows show
};

/// The entry window's numbered QSO list (Liste_QSO): a list box of one QSO a row, with the calls
/// of a list box that its users make. It is drawn as a table of one column without headings:
/// its rows have one fixed height, so that a row added to 100,000 costs no new layout of the
/// others (a list view lays every row out again at each change).
class QsoList : public QTableView {
    Q_OBJECT
public:
    explicit QsoList(QWidget *parent = nullptr);

    int count() const { return model_->rowCount(); }
    int currentRow() const { return currentIndex().row(); }
    /// Chooses a row as a click does (-1: none), and shows it.
    void setCurrentRow(int row);
    /// The text of a row as shown ("  12  " and the QSO line); empty past the last row.
    QString itemText(int row) const;

    QsoListModel &rows() { return *model_; }

    /// Wide enough for a whole QSO line of 104 columns after a number of six digits, beside
    /// the scroll bar: the window opens with every column of the log in view.
    QSize sizeHint() const override;

protected:
    // The row chosen after each validation is no move of the focus: a screen reader hears the
    // rows only while the operator is in the list.
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

signals:
    void currentRowChanged(int row);

protected:
    /// Home and End go to the first and last QSO, as in a list box.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    /// One row a line of the font; the column as wide as the longest row, or the view.
    void fitToFont();
    void fitColumn();

    QsoListModel *model_;
    int longest_ = 0; ///< characters of the longest row shown so far
};

} // namespace zep
