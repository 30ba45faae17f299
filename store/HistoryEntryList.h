#pragma once

#include <string>
#include <vector>

// A patient's history entries of one type, in the order they were stored. Each fetch
// appends.
class HistoryEntryList
{
public:
    virtual ~HistoryEntryList() = default;

    bool Fetch(const std::string& patientId, const std::string& entryType);

    std::vector<std::string> m_details;
    std::vector<std::string> m_ids;
};
