#pragma once

#include "store/VisitField.h"

#include <string>

// The statements on visits, with the texts' columns in the order of the visit fields. Both
// engines run them as they are; the benchmarks' floors and the made-up clinic run the same.
class VisitStatements
{
public:
    // Parameters: the patient's number, the date, then the texts.
    static const std::string& insert();
    // Parameters: the date, the texts, then the visit's number (updatedVisit).
    static const std::string& update();
    // As update, then the date and the texts that the row must still hold.
    static const std::string& updateUnlessChanged();
    // The patient's number, the date and the texts of the visit whose number is the parameter.
    static const std::string& details();
    // The number, date, complaint, diagnosis and treatment of each of the patient's visits.
    static const std::string& list();
    // The number, date and texts of each of the patient's visits, in the order they were stored.
    static const std::string& ofPatient();
    // As ofPatient, then the patient's number, of every patient: the visits after the number
    // that is the first parameter, at most as many as the second.
    static const std::string& page();
    // The number, date and measurements (the fields with a unit, in their order) of each of
    // the patient's visits.
    static const std::string& measurements();

    static constexpr int updatedVisit = static_cast<int>(kVisitTextCount) + 2;
};
