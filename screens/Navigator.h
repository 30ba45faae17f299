#pragma once

#include <string>

class ComplaintList;
class FormView;
class PatientNameList;

// The one way from a screen to another. The screens ask it; the main frame, which owns the
// screens, implements it, so no screen knows the main frame or writes into another screen.
// Each show is false, the user told why, when the screen could not be opened.
class Navigator {
public:
    virtual ~Navigator() = default;

    virtual bool showMainMenu() = 0;
    // The record screen, showing that patient.
    virtual bool showPatient(const std::string& id) = 0;
    // The visit screen, for a new visit of the patient.
    virtual bool showNewVisit(const std::string& patient) = 0;
    // The visit screen, showing a stored visit of the patient as fetched with its details.
    virtual bool showVisit(const std::string& patient, const std::string& visit,
                           const ComplaintList& details) = 0;
    // The charts of the patient's vital signs over time.
    virtual bool showVitalCharts(const std::string& patient) = 0;
    // The results screen, listing the patients the words find.
    virtual bool showSearch(const std::string& words) = 0;
    // The results screen, listing those patients.
    virtual bool showPatients(PatientNameList& patients) = 0;
    // Closes the screen, with every other open screen of its kind.
    virtual void leave(FormView& screen) = 0;

    // Leaves the screen for the main menu; the screen stays when the menu cannot be opened.
    void returnToMainMenu(FormView& screen);

    static Navigator& instance();
    static void setInstance(Navigator* navigator);
};
