#include "exchange/FhirResources.h"

#include "exchange/FhirTime.h"
#include "store/VisitField.h"

#include <cstdlib>
#include <string_view>

using Json = nlohmann::ordered_json;

namespace {

const char* const kLoinc = "http://loinc.org";
const char* const kUcum = "http://unitsofmeasure.org";
const char* const kObservationCategory =
    "http://terminology.hl7.org/CodeSystem/observation-category";
const char* const kConditionCategory = "http://terminology.hl7.org/CodeSystem/condition-category";

// The LOINC code and UCUM unit of each visit field that holds a measurement.
struct VitalSign {
    const char* column;
    const char* code;
    const char* display;
    const char* unit;
};

constexpr VitalSign kVitalSigns[] = {
    {"temp", "8310-5", "Body temperature", "Cel"},
    {"bp", "85354-9", "Blood pressure panel with all children optional", "mm[Hg]"},
    {"RR", "9279-1", "Respiratory rate", "/min"},
    {"pulse", "8867-4", "Heart rate", "/min"},
    {"height", "8302-2", "Body height", "cm"},
    {"weight", "29463-7", "Body weight", "kg"},
};

constexpr const VitalSign* vitalSignOf(std::string_view column)
{
    for (const VitalSign& sign : kVitalSigns)
        if (column == sign.column)
            return &sign;
    return nullptr;
}

// A visit field with a unit is a measurement; one that FHIR's vital signs cannot code must not
// go out as a finding unnoticed.
consteval bool everyMeasurementCoded()
{
    for (const VisitField& field : kVisitFields)
        if (std::string_view(field.unit).size() > 0 && vitalSignOf(field.column) == nullptr)
            return false;
    return true;
}
static_assert(everyMeasurementCoded(), "a visit field with a unit has no vital sign code");

// FHIR ids allow letters, digits, '-' and '.'.
std::string idPart(std::string_view column)
{
    std::string part(column);
    for (char& c : part)
        if (c == '_')
            c = '-';
    return part;
}

Json reference(const std::string& type, const std::string& id)
{
    return {{"reference", type + "/" + id}};
}

Json category(const char* system, const char* code)
{
    return Json::array({{{"coding", Json::array({{{"system", system}, {"code", code}}})}}});
}

Json loinc(const char* code, const char* display, const std::string& text = {})
{
    Json coded = {
        {"coding", Json::array({{{"system", kLoinc}, {"code", code}, {"display", display}}})}};
    if (!text.empty())
        coded["text"] = text;
    return coded;
}

// The number a text holds when JSON writes it back as the very same text; nothing otherwise,
// and the text then goes out as it is.
std::optional<Json> exactNumber(const std::string& text)
{
    const size_t point = text.find('.');
    if (text.empty() || text.size() > 15 ||
        text.find_first_not_of("0123456789.") != std::string::npos ||
        (point != std::string::npos && text.find('.', point + 1) != std::string::npos))
        return std::nullopt;
    const Json number = point == std::string::npos ? Json(std::strtoll(text.c_str(), nullptr, 10))
                                                   : Json(std::strtod(text.c_str(), nullptr));
    if (number.dump() != text)
        return std::nullopt;
    return number;
}

Json quantity(const Json& value, const char* unit)
{
    return {{"value", value}, {"unit", unit}, {"system", kUcum}, {"code", unit}};
}

// The kinds of history entry, each with the resource it goes out as.
const std::pair<const char*, const char*> kHistoryResources[] = {
    {"Medical", "Condition"},
    {"Surgical", "Procedure"},
    {"Social", "Observation"},
    {"Family", "FamilyMemberHistory"},
    {"Allergies", "AllergyIntolerance"},
};

Json observation(Json o, const char* kind)
{
    o["status"] = "final";
    o["category"] = category(kObservationCategory, kind);
    return o;
}

// "120/80" is the panel's two components; any other text is the panel's value as typed.
Json bloodPressure(Json panel, const std::string& text)
{
    const size_t slash = text.find('/');
    const std::optional<Json> systolic =
        slash == std::string::npos ? std::nullopt : exactNumber(text.substr(0, slash));
    const std::optional<Json> diastolic =
        slash == std::string::npos ? std::nullopt : exactNumber(text.substr(slash + 1));
    if (!systolic || !diastolic) {
        panel["valueString"] = text;
        return panel;
    }
    panel["component"] = Json::array({{{"code", loinc("8480-6", "Systolic blood pressure")},
                                       {"valueQuantity", quantity(*systolic, "mm[Hg]")}},
                                      {{"code", loinc("8462-4", "Diastolic blood pressure")},
                                       {"valueQuantity", quantity(*diastolic, "mm[Hg]")}}});
    return panel;
}

Json vitalSign(Json o, const VitalSign& sign, const std::string& text)
{
    o = observation(std::move(o), "vital-signs");
    o["code"] = loinc(sign.code, sign.display);
    if (std::string_view(sign.column) == "bp")
        return bloodPressure(std::move(o), text);
    if (const std::optional<Json> number = exactNumber(text))
        o["valueQuantity"] = quantity(*number, sign.unit);
    else
        o["valueString"] = text;
    return o;
}

// The address as typed in `text`, and its lines that hold anything as `line`.
Json address(const std::string& text)
{
    Json lines = Json::array();
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos)
            lines.push_back(line);
        start = end + 1;
    }
    Json a = {{"text", text}};
    if (!lines.empty())
        a["line"] = std::move(lines);
    return a;
}

} // namespace

FhirResources::FhirResources(const std::string& patientNumber, const Sink& sink)
    : m_patientNumber(patientNumber), m_patientId("patient-" + patientNumber), m_sink(sink)
{
}

nlohmann::ordered_json FhirResources::resource(const char* type, const std::string& id,
                                               const char* subjectKey) const
{
    return {{"resourceType", type}, {"id", id}, {subjectKey, reference("Patient", m_patientId)}};
}

bool FhirResources::codedVitalSign(const std::string& loincCode, std::string& column,
                              std::string& unit)
{
    for (const VitalSign& sign : kVitalSigns)
        if (loincCode == sign.code) {
            column = sign.column;
            unit = sign.unit;
            return true;
        }
    return false;
}

void FhirResources::patient(const PatientDetails& d) const
{
    Json p = {{"resourceType", "Patient"},
              {"id", m_patientId},
              {"identifier",
               Json::array({{{"system", kRecordNumberSystem}, {"value", m_patientNumber}}})}};
    Json name = Json::object();
    if (!d.m_lastName.empty())
        name["family"] = d.m_lastName;
    if (!d.m_firstName.empty())
        name["given"] = Json::array({d.m_firstName});
    if (!name.empty())
        p["name"] = Json::array({name});
    if (!d.m_telephone.empty())
        p["telecom"] = Json::array({{{"system", "phone"}, {"value", d.m_telephone}}});
    p["gender"] = d.m_gender == 0 ? "male" : d.m_gender == 1 ? "female" : "unknown";
    if (const std::string born = FhirTime::date(d.m_dob); !born.empty())
        p["birthDate"] = born;
    if (!d.m_address.empty())
        p["address"] = Json::array({address(d.m_address)});
    m_sink(std::move(p));
}

void FhirResources::history(const std::string& kind, const WholeRecord::Entry& e) const
{
    for (const auto& [name, type] : kHistoryResources)
        if (kind == name) {
            const bool ofPatient = kind == "Family" || kind == "Allergies";
            m_sink(historyResource(
                resource(type, "history-" + e.id, ofPatient ? "patient" : "subject"), kind,
                e.text));
        }
}

nlohmann::ordered_json FhirResources::historyResource(Json r, const std::string& kind,
                                                      const std::string& text)
{
    if (kind == "Medical") {
        r["category"] = category(kConditionCategory, "problem-list-item");
        r["code"] = {{"text", text}};
    } else if (kind == "Surgical") {
        r["status"] = "completed";
        r["code"] = {{"text", text}};
    } else if (kind == "Social") {
        r = observation(std::move(r), "social-history");
        r["code"] = loinc("29762-2", "Social history Narrative", "Social history");
        r["valueString"] = text;
    } else if (kind == "Family") {
        r["status"] = "completed";
        // The records say whose history it was only in the text.
        r["relationship"] = {
            {"coding",
             Json::array({{{"system", "http://terminology.hl7.org/CodeSystem/v3-RoleCode"},
                           {"code", "FAMMEMB"},
                           {"display", "family member"}}})}};
        r["note"] = Json::array({{{"text", text}}});
    } else {
        r["code"] = {{"text", text}};
    }
    return r;
}

// Each of Medora's kinds is a medication the patient takes; the kind itself goes in the note,
// word for word.
void FhirResources::medication(const WholeRecord::Medication& m) const
{
    Json s = resource("MedicationStatement", "medication-" + m.id);
    const bool known =
        m.status == "New Chronic" || m.status == "Old Chronic" || m.status == "Temporary";
    s["status"] = known ? "active" : "unknown";
    s["medicationCodeableConcept"] = {{"text", m.name}};
    if (!m.status.empty())
        s["note"] = Json::array({{{"text", m.status}}});
    m_sink(std::move(s));
}

void FhirResources::test(const WholeRecord::Test& t) const
{
    Json o = observation(resource("Observation", "test-" + t.id), "laboratory");
    o["code"] = {{"text", t.type}};
    if (const std::string when = FhirTime::dateTime(t.date); !when.empty())
        o["effectiveDateTime"] = when;
    if (!t.results.empty())
        o["valueString"] = t.results;
    m_sink(std::move(o));
}

void FhirResources::visit(const WholeRecord::Visit& visit) const
{
    const std::string encounterId = "visit-" + visit.id;
    const std::string when = FhirTime::dateTime(visit.date);
    Json e = resource("Encounter", encounterId);
    e["status"] = "finished";
    e["class"] = {{"system", "http://terminology.hl7.org/CodeSystem/v3-ActCode"},
                  {"code", "AMB"},
                  {"display", "ambulatory"}};
    if (!when.empty())
        e["period"] = {{"start", when}};
    if (const std::string& complaint = visit.texts[visitText("complaint")]; !complaint.empty())
        e["reasonCode"] = Json::array({{{"text", complaint}}});
    m_sink(std::move(e));

    for (size_t i = 0; i < kVisitTextCount; ++i)
        if (i != visitText("complaint") && !visit.texts[i].empty()) {
            Json r = textResource(i, visit.texts[i],
                                  encounterId + "-" + idPart(kVisitFields[i].column), when);
            r["encounter"] = reference("Encounter", encounterId);
            m_sink(std::move(r));
        }
}

// The resource of the visit's text of field `field` other than the complaint.
nlohmann::ordered_json FhirResources::textResource(size_t field, const std::string& text,
                                                   const std::string& id,
                                                   const std::string& when) const
{
    if (field == visitText("diagnosis")) {
        Json c = resource("Condition", id);
        c["category"] = category(kConditionCategory, "encounter-diagnosis");
        c["code"] = {{"text", text}};
        if (!when.empty())
            c["recordedDate"] = when;
        return c;
    }
    if (field == visitText("treatment")) {
        Json p = resource("CarePlan", id);
        p["status"] = "unknown";
        p["intent"] = "plan";
        p["description"] = text;
        return p;
    }
    Json o = resource("Observation", id);
    if (const VitalSign* sign = vitalSignOf(kVisitFields[field].column)) {
        o = vitalSign(std::move(o), *sign, text);
    } else {
        o = observation(std::move(o), "exam");
        o["code"] = {{"text", kVisitFields[field].printedLabel}};
        o["valueString"] = text;
    }
    if (!when.empty())
        o["effectiveDateTime"] = when;
    return o;
}
