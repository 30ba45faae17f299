#pragma once

#include "store/DateTime.h"

#include <string>

// The records keep local times of the clinic's computer without a zone; FHIR wants the zone
// said. Each time is given the offset the clinic's zone had at that moment, summer time
// included, so it names the same instant it did when it was written.
class FhirTime
{
public:
    // "YYYY-MM-DDThh:mm:ss+hh:mm"; empty when the value has no calendar date.
    static std::string dateTime(DateTime local);
    // "YYYY-MM-DD"; empty when the value has no calendar date.
    static std::string date(DateTime local);
};
