#pragma once

#include <string>

// Adds and removes one of a patient's medications.
class PatientMedicationRecord
{
public:
    virtual ~PatientMedicationRecord() = default;

    // Fails when the patient no longer exists.
    bool Add(const std::string& patientId, const std::string& name, const std::string& status);
    bool Delete(const std::string& medicationId);
};
