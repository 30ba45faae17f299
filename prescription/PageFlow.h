#pragma once

#include "prescription/PrintRow.h"

#include <vector>

// Pours a printout's rows onto pages. A block goes whole onto one page whenever a page can
// hold it; a block longer than any page runs row by row over as many as it needs.
class PageFlow {
public:
    struct Page {
        int top; // the line unit of the first row
        std::vector<PrintRow> rows;
    };

    // Rows begin at firstTop on the first page and at continuedTop on each further one, below
    // the heading every further page starts with; no row reaches bottom.
    PageFlow(int firstTop, int continuedTop, RowBlock heading, int bottom);

    std::vector<Page> pour(const std::vector<RowBlock>& blocks) const;

private:
    int roomLeftOn(const Page& page) const;
    bool holdsOnlyItsHeading(const std::vector<Page>& pages) const;
    Page continuedPage() const;

    int firstTop;
    int continuedTop;
    RowBlock heading;
    int bottom;
};
