#include "store/PatientMedicationRecord.h"

#include "store/Database.h"
#include "store/RowHelpers.h"
#include "store/Session.h"

bool PatientMedicationRecord::Add(const std::string& patientId, const std::string& name,
                                  const std::string& status)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return addPatientRow(
        "INSERT INTO patient_medications (patient_ID, name, status) VALUES (?, ?, ?)", patientId,
        name, status);
}

bool PatientMedicationRecord::Delete(const std::string& medicationId)
{
    if (!Session::mayCare())
        return Database::notAllowed();
    return deleteRowById("DELETE FROM patient_medications WHERE medication_ID = ?",
                         medicationId);
}
