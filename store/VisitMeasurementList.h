#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

// The measurements of each of a patient's visits, in the order they were stored, for following
// them over time. Each fetch appends.
class VisitMeasurementList {
public:
    bool Fetch(const std::string& patientId);

    std::vector<std::string> m_ids;
    std::vector<DateTime> m_dates;
    // Each visit's texts in the order of the visit fields, the measurements (the fields with a
    // unit) filled and the others empty.
    std::vector<std::vector<std::string>> m_texts;
};
