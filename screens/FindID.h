#pragma once

#include "platform/FormView.h"

#include <string>

// Finds a patient by number and shows the patient's record.
class FindID : public FormView {
public:
    FindID();

    void DoDataExchange(DataExchange& dx) override;

    std::string patientId;

private:
    void LocateByID();
    void cancel();
};
