#pragma once

#include <string>
#include <vector>

// A patient's medications in the order they were stored. Each fetch appends.
class PatientMedicationList
{
public:
    virtual ~PatientMedicationList() = default;

    bool Fetch(const std::string& patientId);

    std::vector<std::string> m_statuses;
    std::vector<std::string> m_names;
    std::vector<std::string> m_ids;
};
