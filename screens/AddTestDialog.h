#pragma once

#include "platform/Dialog.h"
#include "store/DateTime.h"

#include <string>

class ComboBox;

// Adds one test result to a patient, offering the clinic's known test types while the user
// types; a new type joins that list.
class AddTestDialog : public Dialog {
public:
    explicit AddTestDialog(QWidget* parent = nullptr);

    void DoDataExchange(DataExchange& dx) override;

    ComboBox* typeBox() const;

    std::string patientId; // input
    DateTime testDate = DateTime::currentLocal();
    std::string testType;
    std::string results;
    bool autoComplete = false; // the last key was neither Delete nor Backspace

protected:
    bool OnInitDialog() override;
    void OnOK() override;
};
