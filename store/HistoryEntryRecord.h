#pragma once

#include <string>

// Adds and removes one history entry (medical, surgical, social, family or allergy).
class HistoryEntryRecord
{
public:
    virtual ~HistoryEntryRecord() = default;

    // Fails when the patient no longer exists.
    bool Add(const std::string& patientId, const std::string& entryType,
             const std::string& entryDetails);
    bool Delete(const std::string& entryId);
};
