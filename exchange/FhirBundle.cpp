#include "exchange/FhirBundle.h"

#include "exchange/FhirResources.h"

nlohmann::ordered_json FhirBundle::of(const WholeRecord& record)
{
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    const FhirResources::Sink add = [&entries](nlohmann::ordered_json resource) {
        entries.push_back({{"resource", std::move(resource)}});
    };
    const FhirResources resources(record.m_patientId, add);
    resources.patient(record.m_details);
    const std::pair<const char*, const std::vector<WholeRecord::Entry>*> histories[] = {
        {"Medical", &record.m_medical},
        {"Surgical", &record.m_surgical},
        {"Social", &record.m_social},
        {"Family", &record.m_family},
        {"Allergies", &record.m_allergies}};
    for (const auto& [kind, list] : histories)
        for (const WholeRecord::Entry& entry : *list)
            resources.history(kind, entry);
    for (const WholeRecord::Medication& medication : record.m_medications)
        resources.medication(medication);
    for (const WholeRecord::Test& test : record.m_tests)
        resources.test(test);
    for (const WholeRecord::Visit& visit : record.m_visits)
        resources.visit(visit);
    return {{"resourceType", "Bundle"},
            {"id", "patient-" + record.m_patientId},
            {"type", "collection"},
            {"entry", std::move(entries)}};
}
