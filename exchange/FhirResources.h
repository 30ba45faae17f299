#pragma once

#include "store/PatientDetails.h"
#include "store/WholeRecord.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

// The FHIR R4 resources of one patient's rows, each given to the sink as it is made, so that a
// whole clinic goes out without being held. Every text goes out exactly as stored; a text left
// empty gives no resource. Each resource's id is made from the number of the row it comes
// from, so the same record gives the same ids every time, and each refers to its patient and,
// when it comes from a visit, to the visit's Encounter. docs/fhir.md says the mapping field by
// field.
class FhirResources
{
public:
    using Sink = std::function<void(nlohmann::ordered_json)>;

    FhirResources(const std::string& patientNumber, const Sink& sink);

    void patient(const PatientDetails& details) const;
    // `kind` is the history type as stored: "Medical", "Surgical", "Social", "Family" or
    // "Allergies".
    void history(const std::string& kind, const WholeRecord::Entry& entry) const;
    void medication(const WholeRecord::Medication& medication) const;
    void test(const WholeRecord::Test& test) const;
    // The Encounter, then a resource for each text of the visit but the complaint.
    void visit(const WholeRecord::Visit& visit) const;

    // The system of the patient's identifier that holds Medora's record number.
    static constexpr const char* kRecordNumberSystem = "urn:medora:record-number";

    // The visit field that the vital sign of that LOINC code is written from, with the UCUM
    // unit of its quantities; false for a code of no vital sign Medora writes.
    static bool codedVitalSign(const std::string& loincCode, std::string& column, std::string& unit);

private:
    using Json = nlohmann::ordered_json;

    Json resource(const char* type, const std::string& id,
                  const char* subjectKey = "subject") const;
    static Json historyResource(Json resource, const std::string& kind, const std::string& text);
    Json textResource(size_t field, const std::string& text, const std::string& id,
                      const std::string& when) const;

    const std::string m_patientNumber;
    const std::string m_patientId;
    const Sink& m_sink;
};
