#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

// Adds, changes and removes one visit. `texts` are the visit's twenty-one texts in column
// order, complaint to treatment; any other count fails the operation.
class ComplaintRecord
{
public:
    static constexpr size_t textCount = 21;

    virtual ~ComplaintRecord() = default;

    // Sets m_id to the new visit's number. Fails when the patient no longer exists.
    bool Add(const std::string& patientId, DateTime date, const std::vector<std::string>& texts);
    // The visit stays with the patient it had; patientId is only checked for form.
    bool Update(const std::string& visitId, const std::string& patientId, DateTime date,
                const std::vector<std::string>& texts);
    bool Delete(const std::string& visitId);

    std::string m_id;
};
