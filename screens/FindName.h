#pragma once

#include "platform/FormView.h"

#include <string>
#include <vector>

class ComboBox;

// Finds a patient by name, picked from the list of all patients or completed while typed,
// and shows the patient's record.
class FindName : public FormView {
public:
    FindName();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;

    std::string patientName;
    std::vector<std::string> patientIds; // one per name box entry, in the same order
    int selectedIndex = -1;              // the chosen entry; -1 when none is

private:
    void fillNameBox();
    void complete();
    void LocateByName();
    void cancel();
    ComboBox* nameBox() const;

    bool autoComplete = false;
};
