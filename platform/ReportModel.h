#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// The rows and column titles of a report list; cells are plain texts.
class ReportModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void insertColumn(int position, const QString& title);
    void removeColumn(int position);
    void appendRows(std::vector<QStringList> rows);
    void removeAllRows();
    QString cell(int row, int column) const;

private:
    QStringList titles;
    std::vector<QStringList> rows;
};
