#pragma once

#include "platform/FormView.h"
#include "store/DateTime.h"

#include <string>
#include <vector>

class AllergyLine;
class ComboBox;
class ComplaintList;

// One visit of a patient: entered new, or viewed, changed and deleted. Every way out leads
// back to the patient's record screen.
class ViewComplaint : public FormView {
public:
    ViewComplaint();

    // Fills the screen from the members the opener set.
    void LoadVisit();
    // Shows an empty visit, to be added for the patient.
    void showNewVisit(const std::string& patient);
    // Shows a stored visit of the patient, as fetched with its details.
    void showVisit(const std::string& patient, const std::string& visit,
                   const ComplaintList& details);

    std::string patientId;          // input
    std::string visitId;            // input in edit mode; empty for a new visit
    DateTime visitDate;
    // The complaint and the findings in the order of the visit fields, as ComplaintRecord
    // takes them.
    std::vector<std::string> texts;
    bool newVisit = false;          // input

private:
    void DoDataExchange(DataExchange& dx) override;

    void fillComplaintList(const std::vector<std::string>& complaints);
    void trackChange();
    void showBmi();
    void add();
    void update();
    bool saveVisit();
    bool store();
    void rememberStored();
    bool vitalSignsConfirmed();
    void cancel();
    void remove();
    void showHistory();
    void reloadStored();
    void leave();
    const std::string& complaint() const;
    ComboBox* complaintBox() const;

    std::string patientNumber;
    AllergyLine* allergyLine;
    bool autoComplete = false;
    bool loading = false; // the program is filling the complaint list
    bool changed = false; // typed into since the visit was shown or stored
    // The visit as the opener gave it or this screen last stored it: what an update expects
    // to find stored.
    DateTime loadedDate;
    std::vector<std::string> loadedTexts;
};
