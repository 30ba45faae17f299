#pragma once

#include "platform/FormView.h"

#include <array>
#include <string>

// Shows the clinic's and doctor's details, which head every printed prescription, and saves
// them back; every field must be filled in.
class EditClinicInfo1 : public FormView {
public:
    EditClinicInfo1();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;

    std::string clinicName;
    std::string doctorName;
    std::string qualifications;
    std::string phone;
    std::string street;
    std::string city;
    std::string province;
    std::string postalCode;

private:
    void load();
    void UpdateClinic();
    // The eight values in the order they are checked and saved.
    std::array<const std::string*, 8> values() const;
    void backToMainMenu();
};
