#pragma once

#include <string>
#include <vector>

// The clinic's list of medication names offered while typing.
class MedicationNameList
{
public:
    virtual ~MedicationNameList() = default;

    bool FetchAll();
    // Adds the name unless the list has it already (exact match); having it is success.
    bool AddName(const std::string& name);

    std::vector<std::string> m_names;
};
