#pragma once

#include "store/DateTime.h"
#include "store/PatientDetails.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What Medora holds of one FHIR resource: the reverse of what FhirResources writes, for
// resources Medora wrote and for those of other programs alike. docs/fhir.md says it field by
// field.
class FhirMapping {
public:
    // Where the resource goes among Medora's rows.
    enum class Target { None, Patient, Visit, VisitText, History, Medication, Test };

    struct Row {
        Target target = Target::None;
        // The resources it refers to, as "Type/id"; empty when it names none.
        std::string patient;
        std::string encounter;
        // The number of the row it was written from when its id is of the form Medora gives
        // its resources ("visit-12"; a Patient's record number); 0 otherwise.
        long long key = 0;
        PatientDetails details;               // a Patient's
        std::vector<std::string> identifiers; // a Patient's other identifiers, "system value"
        DateTime date;                        // a visit's or a test's
        bool dated = false;
        std::string kind;   // a history entry's, as stored ("Medical", ...)
        size_t field = 0;   // a visit text's, in kVisitFields
        std::string text;   // the entry, medication, test type, complaint or visit text
        std::string second; // a medication's status, a test's results
        // The elements of the resource that Medora cannot hold: other elements, extensions,
        // codes beyond their text, further names, addresses and numbers.
        long long partsLeft = 0;
    };

    // What is held of `resource`, which keeps FHIR's rules (FhirRules). `resolve` gives the
    // "Type/id" a reference names. A target of None holds nothing of it.
    static Row rowOf(const nlohmann::json& resource,
                     const std::function<std::string(const std::string&)>& resolve);
};
