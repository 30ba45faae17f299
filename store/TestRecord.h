#pragma once

#include "store/DateTime.h"

#include <string>

// Adds and removes one of a patient's tests.
class TestRecord
{
public:
    virtual ~TestRecord() = default;

    // Fails when the patient no longer exists.
    bool Add(const std::string& patientId, DateTime date, const std::string& type,
             const std::string& results);
    bool Delete(const std::string& testId);
};
