#pragma once

#include <string>
#include <vector>

// One line unit of a printout's body: a text set in from the body column, or nothing when the
// text is empty.
struct PrintRow {
    int indent = 0; // device pixels right of the body column
    std::string text;
    bool heading = false; // set in the heavier face of the printout's body
};

// Rows that belong together and go onto one page whenever a page can hold them.
using RowBlock = std::vector<PrintRow>;
