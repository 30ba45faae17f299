#pragma once

#include "store/DateTime.h"
#include "store/VisitField.h"

#include <string>
#include <vector>

// Adds, changes and removes one visit. `texts` are the visit's texts in the order of the visit
// fields, complaint to treatment; any other count fails the operation.
class ComplaintRecord
{
public:
    static constexpr size_t textCount = kVisitTextCount;

    virtual ~ComplaintRecord() = default;

    // Sets m_id to the new visit's number. Fails when the patient no longer exists.
    bool Add(const std::string& patientId, DateTime date, const std::vector<std::string>& texts);
    // The visit stays with the patient it had; patientId is only checked for form.
    bool Update(const std::string& visitId, const std::string& patientId, DateTime date,
                const std::vector<std::string>& texts);
    // As Update, only while the row still holds the date and texts that the screen loaded
    // (as ComplaintList::FetchDetails gave them), so that a change saved at another desk since
    // is never undone. When it was, nothing is written and LastFailure says ChangedElsewhere.
    bool UpdateUnlessChanged(const std::string& visitId, const std::string& patientId,
                             DateTime loadedDate, const std::vector<std::string>& loadedTexts,
                             DateTime date, const std::vector<std::string>& texts);
    bool Delete(const std::string& visitId);

    std::string m_id;
};
