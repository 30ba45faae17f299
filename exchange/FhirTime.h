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

    // What FHIR allows where it wants a date ("YYYY", "YYYY-MM" or "YYYY-MM-DD") or a
    // dateTime (a date, or one with a time of day and its zone's offset).
    enum class Form { Date, DateTime };
    // False when `text` is not of that form or names no day of the calendar. A time with its
    // offset becomes the clinic's local time of that instant; a date without a time is its
    // first moment (a year its first day, a month its first day).
    static bool read(const std::string& text, Form form, DateTime& local);
};
