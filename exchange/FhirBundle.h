#pragma once

#include "store/WholeRecord.h"

#include <nlohmann/json.hpp>

#include <string>

// One patient's whole record as a FHIR R4 Bundle of type collection: the patient, each visit
// as an Encounter with its vital signs, findings, diagnosis and treatment plan, the histories,
// the medications and the tests. Every text goes out exactly as stored; a text left empty
// gives no resource. Each resource's id is made from the number of the row it comes from, so
// the same record gives the same ids every time; docs/fhir.md says the mapping field by field.
class FhirBundle
{
public:
    static nlohmann::ordered_json of(const WholeRecord& record);

    // The system of the patient's identifier that holds Medora's record number.
    static constexpr const char* kRecordNumberSystem = "urn:medora:record-number";
};
