#pragma once

#include "platform/Dialog.h"

#include <string>

class ComboBox;

// Adds one medication with its status to a patient, offering the clinic's known names while
// the user types; a new name joins that list.
class AddMedicationDialog : public Dialog {
public:
    explicit AddMedicationDialog(QWidget* parent = nullptr);

    void DoDataExchange(DataExchange& dx) override;

    ComboBox* drugBox() const;

    std::string patientId;   // input
    std::string patientName; // input, as the allergy question names the patient
    std::string medication;
    int statusIndex = -1;
    bool autoComplete = false; // the last key was neither Delete nor Backspace

protected:
    bool OnInitDialog() override;
    void OnOK() override;
};
