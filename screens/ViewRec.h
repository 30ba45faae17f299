#pragma once

#include "platform/FormView.h"
#include "store/DateTime.h"
#include "store/PatientDetails.h"

#include <string>
#include <vector>

class AllergyLine;
class ListView;

// One patient's whole record: the personal details, which can be edited and saved, and one
// kind of history at a time below them, chosen with the "History type" buttons.
class ViewRec : public FormView {
public:
    // The history types in the order of their radio buttons.
    enum HistoryType { Visits, Medical, Surgical, Social, Family, Allergies, Medications, Tests };

    ViewRec();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;
    bool mayClose() override { return mayLeave(); }
    bool hasUnsavedChanges() const override { return infoChanged; }

    // Fills the screen for patientId; failures are shown to the user.
    void LoadPatient();
    // Fills the screen for that patient.
    void showPatient(const std::string& id);

    std::string patientId; // input
    std::string patientNumber;
    std::string firstName;
    std::string lastName;
    std::string telephone;
    std::string address;
    DateTime dob = DateTime::currentLocal();
    int gender = -1;
    int historyType = -1;
    std::vector<std::string> rowIds; // the record number of each list row
    bool hasVisits = false;
    bool infoChanged = false;

private:
    ListView* historyList() const;
    void showNoPatient();
    void showCareWithheld();
    void detailChanged();
    void updateInfo();
    bool saveDetails();
    void rememberSaved();
    bool mayLeave();
    void close();
    void historyTypeClicked(int type);
    void loadList(int type);
    void clearList();
    void add();
    void runDialogAndReload(int type);
    void openNewVisit();
    void viewVisit();
    void openCharts();
    void deleteEntry();
    bool deleteRow(const std::string& id);
    void deleteRecord();
    void listDoubleClicked();
    void showHistory();
    void reloadRecord();
    // Fills the screen for patientId, without entering an opening of the record; false, with
    // the failure shown, when it cannot be read.
    bool fillPatient();
    // Prints the record as stored, after the user had the chance to save what was typed.
    void printRecord(void (*how)(QWidget* parent, const std::string& patientId));

    // The details as last read or saved by this screen: what a save expects to find stored.
    PatientDetails loaded;
    AllergyLine* allergyLine;
};
