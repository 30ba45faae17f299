#pragma once

#include "platform/FormView.h"
#include "store/DateTime.h"

#include <string>

// Registers a new patient and offers to go straight to the new patient's record.
class AddNew : public FormView {
public:
    AddNew();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;

    std::string firstName;
    std::string lastName;
    std::string telephone;
    std::string address;
    DateTime dob = DateTime::currentLocal();
    int gender = -1; // 0 male, 1 female

private:
    void addPatient();
    void showNamesakes();
    void cancel();
};
