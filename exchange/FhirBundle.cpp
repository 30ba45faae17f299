#include "exchange/FhirBundle.h"

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

class BundleWriter
{
public:
    explicit BundleWriter(const WholeRecord& record)
        : m_record(record), m_patientId("patient-" + record.m_patientId)
    {
    }

    Json write()
    {
        add(patient());
        addHistory();
        for (const WholeRecord::Medication& medication : m_record.m_medications)
            add(medicationStatement(medication));
        for (const WholeRecord::Test& test : m_record.m_tests)
            add(laboratory(test));
        for (const WholeRecord::Visit& visit : m_record.m_visits)
            addVisit(visit);
        return {{"resourceType", "Bundle"},
                {"id", m_patientId},
                {"type", "collection"},
                {"entry", std::move(m_entries)}};
    }

private:
    void add(Json resource) { m_entries.push_back({{"resource", std::move(resource)}}); }

    Json resource(const char* type, const std::string& id, const char* subjectKey = "subject")
    {
        return {
            {"resourceType", type}, {"id", id}, {subjectKey, reference("Patient", m_patientId)}};
    }

    Json patient() const
    {
        const PatientDetails& d = m_record.m_details;
        Json p = {{"resourceType", "Patient"},
                  {"id", m_patientId},
                  {"identifier", Json::array({{{"system", FhirBundle::kRecordNumberSystem},
                                               {"value", m_record.m_patientId}}})}};
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
        return p;
    }

    // The address as typed in `text`, and its lines that hold anything as `line`.
    static Json address(const std::string& text)
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

    void addHistory()
    {
        for (const WholeRecord::Entry& e : m_record.m_medical) {
            Json c = resource("Condition", "history-" + e.id);
            c["category"] = category(kConditionCategory, "problem-list-item");
            c["code"] = {{"text", e.text}};
            add(std::move(c));
        }
        for (const WholeRecord::Entry& e : m_record.m_surgical) {
            Json p = resource("Procedure", "history-" + e.id);
            p["status"] = "completed";
            p["code"] = {{"text", e.text}};
            add(std::move(p));
        }
        for (const WholeRecord::Entry& e : m_record.m_social) {
            Json o = resource("Observation", "history-" + e.id);
            o["status"] = "final";
            o["category"] = category(kObservationCategory, "social-history");
            o["code"] = loinc("29762-2", "Social history Narrative", "Social history");
            o["valueString"] = e.text;
            add(std::move(o));
        }
        for (const WholeRecord::Entry& e : m_record.m_family) {
            Json f = resource("FamilyMemberHistory", "history-" + e.id, "patient");
            f["status"] = "completed";
            // The records say whose history it was only in the text.
            f["relationship"] = {
                {"coding",
                 Json::array({{{"system", "http://terminology.hl7.org/CodeSystem/v3-RoleCode"},
                               {"code", "FAMMEMB"},
                               {"display", "family member"}}})}};
            f["note"] = Json::array({{{"text", e.text}}});
            add(std::move(f));
        }
        for (const WholeRecord::Entry& e : m_record.m_allergies) {
            Json a = resource("AllergyIntolerance", "history-" + e.id, "patient");
            a["code"] = {{"text", e.text}};
            add(std::move(a));
        }
    }

    // Each of Medora's statuses is a medication the patient takes; the status itself goes in
    // the note, word for word.
    Json medicationStatement(const WholeRecord::Medication& m)
    {
        Json s = resource("MedicationStatement", "medication-" + m.id);
        const bool known =
            m.status == "New Chronic" || m.status == "Old Chronic" || m.status == "Temporary";
        s["status"] = known ? "active" : "unknown";
        s["medicationCodeableConcept"] = {{"text", m.name}};
        if (!m.status.empty())
            s["note"] = Json::array({{{"text", m.status}}});
        return s;
    }

    Json laboratory(const WholeRecord::Test& t)
    {
        Json o = resource("Observation", "test-" + t.id);
        o["status"] = "final";
        o["category"] = category(kObservationCategory, "laboratory");
        o["code"] = {{"text", t.type}};
        if (const std::string when = FhirTime::dateTime(t.date); !when.empty())
            o["effectiveDateTime"] = when;
        if (!t.results.empty())
            o["valueString"] = t.results;
        return o;
    }

    void addVisit(const WholeRecord::Visit& visit)
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
        add(std::move(e));

        for (size_t i = 0; i < kVisitTextCount; ++i) {
            if (visit.texts[i].empty())
                continue;
            Json r;
            if (const VitalSign* sign = vitalSignOf(kVisitFields[i].column))
                r = vitalSign(*sign, visit.texts[i]);
            else if (i == visitText("diagnosis"))
                r = diagnosis(visit.texts[i], when);
            else if (i == visitText("treatment"))
                r = carePlan(visit.texts[i]);
            else if (i != visitText("complaint"))
                r = finding(kVisitFields[i], visit.texts[i]);
            else
                continue;
            r["id"] = encounterId + "-" + idPart(kVisitFields[i].column);
            if (r["resourceType"] == "Observation" && !when.empty())
                r["effectiveDateTime"] = when;
            r["encounter"] = reference("Encounter", encounterId);
            add(std::move(r));
        }
    }

    Json observation(const char* category_)
    {
        Json o = resource("Observation", "");
        o["status"] = "final";
        o["category"] = category(kObservationCategory, category_);
        return o;
    }

    Json vitalSign(const VitalSign& sign, const std::string& text)
    {
        Json o = observation("vital-signs");
        o["code"] = loinc(sign.code, sign.display);
        if (std::string_view(sign.column) == "bp")
            return bloodPressure(std::move(o), text);
        if (const std::optional<Json> number = exactNumber(text))
            o["valueQuantity"] = quantity(*number, sign.unit);
        else
            o["valueString"] = text;
        return o;
    }

    // "120/80" is the panel's two components; any other text is the panel's value as typed.
    static Json bloodPressure(Json panel, const std::string& text)
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

    Json finding(const VisitField& field, const std::string& text)
    {
        Json o = observation("exam");
        o["code"] = {{"text", field.printedLabel}};
        o["valueString"] = text;
        return o;
    }

    Json diagnosis(const std::string& text, const std::string& when)
    {
        Json c = resource("Condition", "");
        c["category"] = category(kConditionCategory, "encounter-diagnosis");
        c["code"] = {{"text", text}};
        if (!when.empty())
            c["recordedDate"] = when;
        return c;
    }

    Json carePlan(const std::string& text)
    {
        Json p = resource("CarePlan", "");
        p["status"] = "unknown";
        p["intent"] = "plan";
        p["description"] = text;
        return p;
    }

    const WholeRecord& m_record;
    const std::string m_patientId;
    Json m_entries = Json::array();
};

} // namespace

nlohmann::ordered_json FhirBundle::of(const WholeRecord& record)
{
    return BundleWriter(record).write();
}
