#pragma once

#include "store/DateTime.h"
#include "store/PatientDetails.h"

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
    // As Update, only while the row still holds `loaded`, the details as the screen fetched
    // them, so that a change saved at another desk since is never undone. When it was,
    // nothing is written and LastFailure says ChangedElsewhere.
    bool UpdateUnlessChanged(const std::string& id, const PatientDetails& loaded,
                             const std::string& firstName, const std::string& lastName,
                             DateTime dob, int gender, const std::string& address,
                             const std::string& telephone);
    // Removes the patient with every visit, history entry, test and medication, all in one
    // transaction: either everything goes or nothing does.
    bool DeleteWithRecords(const std::string& id);

    std::string m_id;
};
