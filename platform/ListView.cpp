#include "platform/ListView.h"

#include "platform/FormScale.h"
#include "platform/ReportModel.h"

#include <QEvent>
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
    verticalHeader()->setMinimumSectionSize(1);
    applyRowHeight();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    connect(this, &QAbstractItemView::doubleClicked, this, &ListView::rowDoubleClicked);
}

void ListView::insertColumn(int position, const QString& title, int width) {
    report->insertColumn(position, title);
    const int at = std::clamp(position, 0, report->columnCount() - 1);
    widths.insert(widths.begin() + at, width);
    applyWidths();
}

void ListView::deleteColumn(int position) {
    if (position < 0 || position >= report->columnCount())
        return;
    report->removeColumn(position);
    widths.erase(widths.begin() + position);
    flexibleColumn = -1;
    applyWidths();
}

int ListView::columnCountNow() const {
    return report->columnCount();
}

void ListView::setColumnWidthPx(int column, int width) {
    if (column < 0 || size_t(column) >= widths.size())
        return;
    widths[size_t(column)] = width;
    applyWidths();
}

void ListView::setFlexibleColumn(int column, int room) {
    flexibleColumn = column;
    scrollBarRoom = room;
    applyWidths();
}

void ListView::setScale(double newScale, int extra) {
    if (newScale == scale && extra == extraWidth)
        return;
    scale = newScale;
    extraWidth = extra;
    applyRowHeight();
    applyWidths();
}

// A row is its font's height and four pixels at the drawn size. Drawn larger, the font's own
// line spacing grows with it, so three pixels keep the rows as far apart and a long list shows
// more of its rows.
void ListView::applyRowHeight() {
    const int padding = scale > FormScale::kSmallest ? 3 : 4;
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + padding);
}

void ListView::addRow(const QStringList& cells) {
    report->appendRows({cells});
    applyWidths();
}

void ListView::addRows(std::vector<QStringList> rows) {
    report->appendRows(std::move(rows));
    applyWidths();
}

void ListView::deleteAllRows() {
    report->removeAllRows();
    applyWidths();
}

// The flexible column narrows only while a scroll bar is needed, which changes with the
// rows and with the list's size.
//
// The header's notices of each width are held back: the table would answer them with a
// repaint of its own after the one the resize of the window already brings, which doubles the
// cost of every resize of a long list. One update of the list stands for them all.
void ListView::applyWidths() {
    const bool allFit = rowCountNow() <= countPerPage();
    QHeaderView* header = horizontalHeader();
    const bool wasBlocked = header->blockSignals(true);
    bool changed = false;
    for (size_t c = 0; c < widths.size(); ++c) {
        int width = widths[c];
        if (int(c) == flexibleColumn && !allFit)
            width -= scrollBarRoom;
        width = FormScale::scaled(width, scale);
        if (c + 1 == widths.size())
            width += extraWidth;
        changed = changed || columnWidth(int(c)) != width;
        setColumnWidth(int(c), width);
    }
    header->blockSignals(wasBlocked);
    if (changed) {
        updateGeometries();
        viewport()->update();
    }
}

void ListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    applyWidths();
}

void ListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyRowHeight();
        applyWidths();
    }
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
