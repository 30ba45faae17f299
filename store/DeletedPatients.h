#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

// Patients whose record was deleted, as the audit trail keeps them: each deletion keeps the
// rows as they were, so a patient comes back whole, visits, histories, medications and tests
// with their old numbers, in one operation that the trail records in turn. For administrators.
class DeletedPatients
{
public:
    struct Patient {
        std::string id;
        std::string firstName;
        std::string lastName;
        DateTime dob;
        std::string deletedAt; // local time, "YYYY-MM-DDTHH:MM:SS.fff"
        std::string deletedBy;
    };

    // The patients deleted and not back since, the latest deleted first.
    bool Fetch();
    // Brings back the patient with everything deleted with them; false when the patient is
    // not among the deleted, or a patient of that number is there again.
    bool BringBack(const std::string& id);

    std::vector<Patient> m_patients;
};
