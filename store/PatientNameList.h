#pragma once

#include <string>
#include <vector>

// Patients by number and name, in the order they were stored. The three lists are
// parallel, and each fetch appends to them.
class PatientNameList
{
public:
    virtual ~PatientNameList() = default;

    bool FetchAll();
    // False when no patient has that number.
    bool FetchByID(const std::string& id);

    std::vector<std::string> m_ids;
    std::vector<std::string> m_firstNames;
    std::vector<std::string> m_lastNames;
};
