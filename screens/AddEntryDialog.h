#pragma once

#include "platform/Dialog.h"

#include <string>

// Adds one free-text entry to a patient's medical, surgical, social or family history or
// allergies; the type is chosen by the opener.
class AddEntryDialog : public Dialog {
public:
    explicit AddEntryDialog(QWidget* parent = nullptr);

    void DoDataExchange(DataExchange& dx) override;

    std::string patientId;   // input
    int entryTypeIndex = -1; // input: 0 Medical, 1 Surgical, 2 Social, 3 Family, 4 Allergies
    std::string entryDetails;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
};
