#pragma once

#include <QStringList>
#include <QTableView>
#include <vector>

class ReportModel;

// A report-style list: columns with titles and pixel widths, rows of texts, single full-row
// selection and grid lines. Rows stay in the order they were added. Widths are given at the
// form's drawn size and grow with its scale.
class ListView : public QTableView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent);

    void insertColumn(int position, const QString& title, int width);
    void deleteColumn(int position);
    int columnCountNow() const;
    void setColumnWidthPx(int column, int width);
    // The column that gives room pixels to the scroll bar while the rows do not all fit;
    // -1 for none. Deleting a column forgets it.
    void setFlexibleColumn(int column, int room);
    // Widths grow by scale, and the last column takes extraWidth pixels more.
    void setScale(double scale, int extraWidth);

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyWidths();
    void applyRowHeight();

    ReportModel* report;
    std::vector<int> widths; // at scale 1, by column
    int flexibleColumn = -1;
    int scrollBarRoom = 0;
    double scale = 1.0;
    int extraWidth = 0;
};
