#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

// A patient's visits, or one whole visit. Each fetch appends.
class ComplaintList
{
public:
    virtual ~ComplaintList() = default;

    // The patient's visits in the order they were stored; dates as "%d/%m/%y".
    bool Fetch(const std::string& patientId);
    // Appends to m_values the visit number exactly as given, the patient's number and the
    // visit's texts in the order of the visit fields (lastVisitTexts gives them back); the date
    // goes to m_date. False when no visit has that number.
    bool FetchDetails(const std::string& visitId);

    std::vector<std::string> m_ids;
    std::vector<std::string> m_dates;
    std::vector<std::string> m_complaints;
    std::vector<std::string> m_diagnoses;
    std::vector<std::string> m_treatments;
    DateTime m_date;
    std::vector<std::string> m_values;
};
