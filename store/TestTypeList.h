#pragma once

#include <string>
#include <vector>

// The clinic's list of test type names offered while typing.
class TestTypeList
{
public:
    virtual ~TestTypeList() = default;

    bool FetchAll();
    // Adds the name unless the list has it already (exact match); having it is success.
    bool AddName(const std::string& name);

    std::vector<std::string> m_names;
};
