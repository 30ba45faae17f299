#pragma once

#include "store/DateTime.h"

#include <string>

// Adds, changes and removes one patient.
class PatientRecord
{
public:
    virtual ~PatientRecord() = default;

    // Sets m_id to the new patient's number.
    bool Add(const std::string& firstName, const std::string& lastName, DateTime dob, int gender,
             const std::string& address, const std::string& telephone);
    bool Update(const std::string& id, const std::string& firstName, const std::string& lastName,
                DateTime dob, int gender, const std::string& address,
                const std::string& telephone);
    // Removes the patient with every visit, history entry, test and medication, all in one
    // transaction: either everything goes or nothing does.
    bool DeleteWithRecords(const std::string& id);

    std::string m_id;
};
