#include "platform/ReportModel.h"

int ReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows.size());
}

int ReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles.size());
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    return cell(index.row(), index.column());
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= titles.size())
        return {};
    return titles[section];
}

void ReportModel::insertColumn(int position, const QString& title) {
    position = std::clamp(position, 0, int(titles.size()));
    beginInsertColumns({}, position, position);
    titles.insert(position, title);
    endInsertColumns();
}

void ReportModel::removeColumn(int position) {
    if (position < 0 || position >= titles.size())
        return;
    beginRemoveColumns({}, position, position);
    titles.removeAt(position);
    for (QStringList& row : rows)
        if (position < row.size())
            row.removeAt(position);
    endRemoveColumns();
}

void ReportModel::appendRows(std::vector<QStringList> added) {
    if (added.empty())
        return;
    const int first = int(rows.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    rows.insert(rows.end(), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
    endInsertRows();
}

void ReportModel::removeAllRows() {
    beginResetModel();
    rows.clear();
    endResetModel();
}

QString ReportModel::cell(int row, int column) const {
    if (row < 0 || row >= int(rows.size()) || column < 0 || column >= rows[row].size())
        return {};
    return rows[row][column];
}
