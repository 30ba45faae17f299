#pragma once

#include "store/WholeRecord.h"

#include <nlohmann/json.hpp>

// One patient's whole record as a FHIR R4 Bundle of type collection: the patient, the
// histories, the medications, the tests, and each visit as an Encounter with its vital signs,
// findings, diagnosis and treatment plan (FhirResources).
class FhirBundle
{
public:
    static nlohmann::ordered_json of(const WholeRecord& record);
};
