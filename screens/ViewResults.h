#pragma once

#include "platform/FormView.h"

#include <string>
#include <vector>

class ListView;
class PatientNameList;
class QLineEdit;
class QTimer;

// Patients found or listed, one row each, any of which opens in the record screen. Its
// producer hands it the three lists; what is then typed into its search box narrows them
// to the patients the text finds, and clearing the box lists every patient again.
class ViewResults : public FormView {
public:
    ViewResults();

    // Builds the list from the three input lists.
    void ShowResults();
    // Lists those patients, whose lists it takes.
    void showPatients(PatientNameList& patients);
    // Lists the patients that the text finds, as if the user had typed it into the search box.
    void searchFor(const std::string& text);

    // Inputs, parallel: patient numbers in decimal, first names, last names.
    std::vector<std::string> resultIds;
    std::vector<std::string> resultFirstNames;
    std::vector<std::string> resultLastNames;
    bool hasResults = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListView* resultsList() const;
    QLineEdit* searchBox() const;
    void search();
    void noteSearch();
    void showFound(long long found);
    void displaySelected();
    void close();

    // A search enters the audit trail once the typing pauses, not at every key.
    QTimer* searchPause;
    std::string searched;
};
