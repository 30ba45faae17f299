#include "prescription/PageFlow.h"

PageFlow::PageFlow(int firstTop, int continuedTop, RowBlock heading, int bottom)
    : firstTop(firstTop), continuedTop(continuedTop), heading(std::move(heading)), bottom(bottom) {}

std::vector<PageFlow::Page> PageFlow::pour(const std::vector<RowBlock>& blocks) const {
    std::vector<Page> pages{{firstTop, {}}};
    const int roomOnContinuedPage = roomLeftOn(continuedPage());
    for (const RowBlock& block : blocks) {
        const int length = int(block.size());
        if (length > roomLeftOn(pages.back()) && length <= roomOnContinuedPage)
            pages.push_back(continuedPage());
        for (const PrintRow& row : block) {
            // A page with no room below its heading still takes a row, drawn past its foot,
            // so that pouring comes to an end.
            if (roomLeftOn(pages.back()) <= 0 && !holdsOnlyItsHeading(pages))
                pages.push_back(continuedPage());
            pages.back().rows.push_back(row);
        }
    }
    return pages;
}

int PageFlow::roomLeftOn(const Page& page) const {
    return bottom - page.top - int(page.rows.size());
}

bool PageFlow::holdsOnlyItsHeading(const std::vector<Page>& pages) const {
    return pages.size() > 1 && pages.back().rows.size() == heading.size();
}

PageFlow::Page PageFlow::continuedPage() const {
    return {continuedTop, heading};
}
