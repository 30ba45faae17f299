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
    // The patients that typed text finds (SearchQuery tells how it is read): the one whose
    // number it is first, then those with a last name it matches, then the others, each by
    // last and first name. Appends at most searchLimit of them and sets m_found to how many
    // there are in all.
    bool Search(const std::string& typed);

    static constexpr int searchLimit = 500;

    std::vector<std::string> m_ids;
    std::vector<std::string> m_firstNames;
    std::vector<std::string> m_lastNames;
    // Set by FetchByID: the engine failed, so a false result says nothing about the patient.
    bool m_failed = false;
    // Set by Search: every patient the text finds, also those beyond searchLimit.
    long long m_found = 0;
};
