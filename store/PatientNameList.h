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
    // False when no patient has that number, or when the engine failed; m_failed tells which.
    bool FetchByID(const std::string& id);

    std::vector<std::string> m_ids;
    std::vector<std::string> m_firstNames;
    std::vector<std::string> m_lastNames;
    // Set by FetchByID: the engine failed, so a false result says nothing about the patient.
    bool m_failed = false;
};
