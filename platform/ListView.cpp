#include "platform/ListView.h"

#include "platform/ReportModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>

ListView::ListView(QWidget* parent) : QTableView(parent), report(new ReportModel(this)) {
    setModel(report);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setSortingEnabled(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    connect(this, &QAbstractItemView::doubleClicked, this, &ListView::rowDoubleClicked);
}

void ListView::insertColumn(int position, const QString& title, int width) {
    report->insertColumn(position, title);
    setColumnWidth(std::clamp(position, 0, report->columnCount() - 1), width);
}

void ListView::deleteColumn(int position) {
    report->removeColumn(position);
}

int ListView::columnCountNow() const {
    return report->columnCount();
}

void ListView::setColumnWidthPx(int column, int width) {
    setColumnWidth(column, width);
}

void ListView::addRow(const QStringList& cells) {
    report->appendRows({cells});
}

void ListView::addRows(std::vector<QStringList> rows) {
    report->appendRows(std::move(rows));
}

void ListView::deleteAllRows() {
    report->removeAllRows();
}

int ListView::rowCountNow() const {
    return report->rowCount();
}

QString ListView::cellText(int row, int column) const {
    return report->cell(row, column);
}

// Measured from the list's own size, so the answer holds before the list is first shown.
int ListView::countPerPage() const {
    const int header = horizontalHeader()->sizeHint().height();
    const int inner = height() - 2 * frameWidth() - header;
    return std::max(0, inner / verticalHeader()->defaultSectionSize());
}

int ListView::firstSelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows)
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

void ListView::selectRow(int row) {
    QTableView::selectRow(row);
}
