#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

// A patient's tests in the order they were stored; dates as "%d/%m/%y". Each fetch
// appends.
class TestList
{
public:
    virtual ~TestList() = default;

    bool Fetch(const std::string& patientId);

    std::vector<std::string> m_ids;
    std::vector<std::string> m_dates;
    std::vector<DateTime> m_days; // the same dates as values, to order by
    std::vector<std::string> m_types;
    std::vector<std::string> m_results;
};
