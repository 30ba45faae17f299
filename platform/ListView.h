#pragma once

#include <QStringList>
#include <QTableView>
#include <vector>

class ReportModel;

// A report-style list: columns with titles and pixel widths, rows of texts, single full-row
// selection and grid lines. Rows stay in the order they were added.
class ListView : public QTableView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent);

    void insertColumn(int position, const QString& title, int width);
    void deleteColumn(int position);
    int columnCountNow() const;
    void setColumnWidthPx(int column, int width);

    void addRow(const QStringList& cells);
    void addRows(std::vector<QStringList> rows);
    void deleteAllRows();
    int rowCountNow() const;
    QString cellText(int row, int column) const;

    // Number of rows that fit fully in the list without scrolling.
    int countPerPage() const;
    // The first selected row, -1 when none is.
    int firstSelectedRow() const;
    void selectRow(int row);

signals:
    void rowDoubleClicked();

private:
    ReportModel* report;
};
