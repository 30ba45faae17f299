#pragma once

#include "platform/FormView.h"

#include <string>
#include <vector>

class ListView;

// Patients found or listed, one row each, any of which opens in the record screen. It
// fetches nothing itself: its producer hands it the three lists.
class ViewResults : public FormView {
public:
    ViewResults();

    // Builds the list from the three input lists.
    void ShowResults();

    // Inputs, parallel: patient numbers in decimal, first names, last names.
    std::vector<std::string> resultIds;
    std::vector<std::string> resultFirstNames;
    std::vector<std::string> resultLastNames;
    bool hasResults = false;

private:
    ListView* resultsList() const;
    void displaySelected();
    void close();
};
