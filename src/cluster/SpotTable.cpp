#include "cluster/SpotTable.h"

#include <QBrush>
#include <QFont>
#include <QLocale>

namespace zep {

void SpotTable::show(std::vector<spots::SpotRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const spots::Spot *SpotTable::spotAt(int row) const {
    return row >= 0 && row < int(rows_.size()) ? &rows_[size_t(row)].spot : nullptr;
}

int SpotTable::rowOf(const spots::Spot &spot) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        const spots::Spot &s = rows_[i].spot;
        if (s.source == spot.source && s.call == spot.call && std::abs(s.kHz - spot.kHz) <= 10)
            return int(i);
    }
    return -1;
}

int SpotTable::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SpotTable::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : Columns;
}

QString SpotTable::cellText(const spots::SpotRow &row, int column) {
    const spots::Spot &s = row.spot;
    switch (column) {
    case Heure:
        return s.utcMinutes < 0 ? QString()
                                : QStringLiteral("%1:%2")
                                      .arg(s.utcMinutes / 60, 2, 10, QLatin1Char('0'))
                                      .arg(s.utcMinutes % 60, 2, 10, QLatin1Char('0'));
    case Khz:
        return QString::number(s.kHz, 'f', 1);
    case Indicatif:
        return s.call;
    case Reference:
        return s.reference;
    case Commentaire:
        if (row.state == spots::SpotState::Worked)
            return s.comment.isEmpty() ? QStringLiteral("déjà contacté")
                                       : QStringLiteral("déjà contacté, ") + s.comment;
        return s.comment;
    case AnnoncePar:
        return s.source == spots::Source::Pota && s.spotter.isEmpty() ? QStringLiteral("POTA")
                                                                      : s.spotter;
    default:
        return {};
    }
}

QVariant SpotTable::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const spots::SpotRow &row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cellText(row, index.column());
    case Qt::ForegroundRole:
        if (row.state == spots::SpotState::Worked)
            return QBrush(Qt::gray);
        return {};
    case Qt::FontRole:
        if (row.state == spots::SpotState::Activator &&
            (index.column() == Indicatif || index.column() == Reference)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == Khz)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant SpotTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[] = {"Heure",     "kHz",         "Indicatif",
                                         "Référence", "Commentaire", "Annoncé par"};
    return section >= 0 && section < Columns ? QString::fromUtf8(titles[section]) : QVariant();
}

} // namespace zep
