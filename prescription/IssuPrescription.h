#pragma once

#include "platform/FormView.h"
#include "store/ClinicInfo.h"

#include <optional>
#include <string>
#include <vector>

class AllergyLine;
class ComboBox;
class QListWidget;
struct PrescriptionEntries;

// Collects one prescription (patient, age, diagnosis, drug lines) and prints it. A patient
// chosen from the records gets the age from the date of birth, the allergies shown and
// printed, and a question before a drug that matches one; anyone else can be typed in.
// Every drug line is remembered among the medication names offered next time.
class IssuPrescription : public FormView {
public:
    IssuPrescription();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;

    std::string patientName;
    std::string age;
    int ageUnit = -1; // position in the age-unit box, the same as the AgeUnit codes
    std::string diagnosis;
    std::string drug;
    std::vector<std::string> patientIds; // one per name box entry, in the same order
    int selectedIndex = -1;              // the chosen patient; -1 when none is
    std::string ageFilledFor;            // the patient whose age the field was filled with

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillNameBox();
    void fillDrugBox();
    void completeName();
    std::string chosenPatient() const;
    void showAllergies();
    void FillAge();
    bool allergyAllows();
    void AddToList();
    void RemoveFromList();
    void ResetFields();
    void PrintPrescription();
    std::optional<ClinicInfo> letterhead();
    bool allergiesToPrint(std::optional<std::string>& line);
    PrescriptionEntries entries(std::optional<std::string> allergies) const;
    void cancel();

    ComboBox* nameBox() const;
    ComboBox* drugBox() const;
    QListWidget* prescriptionList() const;

    AllergyLine* allergyLine;
    std::string allergiesShownFor; // the chosen patient whose allergies the line shows
    bool autoComplete = false;
};
