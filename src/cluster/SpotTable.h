#pragma once

#include "core/station/SpotList.h"

#include <QAbstractTableModel>

namespace zep {

/// The rows of the "Annonces" list as shown: "Heure", "kHz", "Indicatif", "Référence",
/// "Commentaire", "Annoncé par", newest first. A spot already worked on its band and mode is
/// grey and says "déjà contacté"; another activator shows its reference in bold. What is shown
/// is what a screen reader reads.
class SpotTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Heure, Khz, Indicatif, Reference, Commentaire, AnnoncePar, Columns };
    using QAbstractTableModel::QAbstractTableModel;

    /// The rows afresh (one reset of the view).
    void show(std::vector<spots::SpotRow> rows);
    const spots::Spot *spotAt(int row) const;
    /// The row showing the same station as `spot`, or -1.
    int rowOf(const spots::Spot &spot) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// The text of a cell (the display role).
    static QString cellText(const spots::SpotRow &row, int column);

private:
    std::vector<spots::SpotRow> rows_;
};

} // namespace zep
