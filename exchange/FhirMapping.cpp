#include "exchange/FhirMapping.h"

#include "exchange/FhirResources.h"
#include "exchange/FhirTime.h"
#include "store/VisitField.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string_view>

using Json = nlohmann::json;
using Row = FhirMapping::Row;
using Target = FhirMapping::Target;
using Resolve = std::function<std::string(const std::string&)>;

namespace {

const char* const kLoinc = "http://loinc.org";

std::string textAt(const Json& object, const char* name) {
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

// The elements of `r` that the mapping of its type neither reads nor implies.
long long otherElements(const Json& r, std::initializer_list<std::string_view> read) {
    long long other = 0;
    for (const auto& [name, value] : r.items())
        if (name != "resourceType" && name != "id" &&
            std::find(read.begin(), read.end(), name) == read.end())
            ++other;
    return other;
}

// A concept's text, or, when it has none, the words of its first coding: what a person reads.
std::string conceptText(const Json& r, const char* name) {
    const auto coded = r.find(name);
    if (coded == r.end())
        return {};
    if (std::string text = textAt(*coded, "text"); !text.empty())
        return text;
    for (const Json& coding : coded->value("coding", Json::array())) {
        if (std::string display = textAt(coding, "display"); !display.empty())
            return display;
        if (std::string code = textAt(coding, "code"); !code.empty())
            return code;
    }
    return {};
}

// Codes of a concept that Medora keeps only the text of.
long long codesLeft(const Json& r, const char* name) {
    const auto coded = r.find(name);
    return coded != r.end() && coded->contains("coding") ? 1 : 0;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts)
        if (!part.empty())
            text += (text.empty() ? "" : "\n") + part;
    return text;
}

std::vector<std::string> notes(const Json& r) {
    std::vector<std::string> texts;
    for (const Json& note : r.value("note", Json::array()))
        texts.push_back(textAt(note, "text"));
    return texts;
}

bool hasCode(const Json& r, const char* name, std::string_view code, const char* system = nullptr) {
    const auto has = [&](const Json& coded) {
        for (const Json& coding : coded.value("coding", Json::array()))
            if (textAt(coding, "code") == code &&
                (system == nullptr || textAt(coding, "system") == system))
                return true;
        return false;
    };
    const auto found = r.find(name);
    if (found == r.end())
        return false;
    if (found->is_array())
        return std::any_of(found->begin(), found->end(), has);
    return has(*found);
}

std::string referenceOf(const Json& r, const char* name, const Resolve& resolve) {
    const auto found = r.find(name);
    if (found == r.end() || !found->contains("reference"))
        return {};
    return resolve((*found)["reference"].get<std::string>());
}

// The number N of an id "prefixN" as Medora gives them, or 0.
long long keyOf(const Json& r, std::string_view prefix) {
    const std::string id = textAt(r, "id");
    if (!id.starts_with(prefix))
        return 0;
    const std::string digits = id.substr(prefix.size());
    if (digits.empty() || digits.size() > 10 || digits[0] == '0' ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long long key = std::stoll(digits);
    return key <= 2147483647 ? key : 0;
}

// A quantity as Medora writes a measurement: the number as JSON writes it, followed by its
// unit unless that is the unit Medora's field is in.
std::string quantityText(const Json& quantity, const std::string& fieldUnit) {
    std::string text = quantity.contains("value") ? quantity["value"].dump() : "";
    std::string unit = textAt(quantity, "code");
    if (unit.empty())
        unit = textAt(quantity, "unit");
    if (!unit.empty() && unit != fieldUnit)
        text += (text.empty() ? "" : " ") + unit;
    return text;
}

// The value of an Observation or of a component: the quantity, the text, or its notes.
std::string valueText(const Json& o, const std::string& fieldUnit, long long& partsLeft) {
    if (o.contains("valueQuantity")) {
        partsLeft += o.contains("note") ? 1 : 0;
        return quantityText(o["valueQuantity"], fieldUnit);
    }
    if (o.contains("valueString")) {
        partsLeft += o.contains("note") ? 1 : 0;
        return o["valueString"].get<std::string>();
    }
    if (o.contains("valueCodeableConcept"))
        return conceptText(o, "valueCodeableConcept");
    return joined(notes(o));
}

// A blood pressure panel's two components as "systolic/diastolic".
std::string bloodPressure(const Json& o, long long& partsLeft) {
    std::string systolic, diastolic;
    for (const Json& part : o.value("component", Json::array())) {
        if (hasCode(part, "code", "8480-6", kLoinc))
            systolic = valueText(part, "mm[Hg]", partsLeft);
        else if (hasCode(part, "code", "8462-4", kLoinc))
            diastolic = valueText(part, "mm[Hg]", partsLeft);
        else
            ++partsLeft;
    }
    if (systolic.empty() && diastolic.empty())
        return valueText(o, "mm[Hg]", partsLeft);
    return systolic + "/" + diastolic;
}

size_t fieldOf(std::string_view column) {
    for (size_t i = 0; i < kVisitTextCount; ++i)
        if (column == kVisitFields[i].column)
            return i;
    return visitText("other");
}

// The body system an examination finding names, by the printed record's name of it.
bool examField(const std::string& name, size_t& field) {
    for (size_t i = 0; i < kVisitTextCount; ++i)
        if (*kVisitFields[i].unit == '\0' && i != visitText("complaint") &&
            i != visitText("diagnosis") && i != visitText("treatment") &&
            name == kVisitFields[i].printedLabel) {
            field = i;
            return true;
        }
    return false;
}

void patient(const Json& r, Row& row) {
    row.target = Target::Patient;
    row.partsLeft =
        otherElements(r, {"identifier", "name", "gender", "birthDate", "address", "telecom"});
    const Json names = r.value("name", Json::array());
    if (!names.empty()) {
        const Json& name = names[0];
        row.details.m_lastName = textAt(name, "family");
        std::vector<std::string> given;
        for (const Json& part : name.value("given", Json::array()))
            given.push_back(part.get<std::string>());
        for (const std::string& part : given)
            row.details.m_firstName += (row.details.m_firstName.empty() ? "" : " ") + part;
        if (row.details.m_lastName.empty() && given.empty())
            row.details.m_lastName = textAt(name, "text");
        row.partsLeft += static_cast<long long>(names.size()) - 1;
    }
    const std::string gender = textAt(r, "gender");
    row.details.m_gender = gender == "male" ? 0 : gender == "female" ? 1 : 2;
    row.dated = r.contains("birthDate") &&
                FhirTime::read(textAt(r, "birthDate"), FhirTime::Form::Date, row.details.m_dob);
    const Json addresses = r.value("address", Json::array());
    if (!addresses.empty()) {
        const Json& a = addresses[0];
        row.details.m_address = textAt(a, "text");
        if (row.details.m_address.empty()) {
            std::vector<std::string> lines;
            for (const Json& line : a.value("line", Json::array()))
                lines.push_back(line.get<std::string>());
            for (const char* part : {"city", "district", "state", "postalCode", "country"})
                lines.push_back(textAt(a, part));
            row.details.m_address = joined(lines);
        }
        row.partsLeft += static_cast<long long>(addresses.size()) - 1;
    }
    for (const Json& contact : r.value("telecom", Json::array())) {
        if (row.details.m_telephone.empty() && textAt(contact, "system") == "phone")
            row.details.m_telephone = textAt(contact, "value");
        else
            ++row.partsLeft;
    }
    for (const Json& identifier : r.value("identifier", Json::array())) {
        if (textAt(identifier, "system") == FhirResources::kRecordNumberSystem &&
            "patient-" + textAt(identifier, "value") == textAt(r, "id"))
            row.key = keyOf(r, "patient-");
        else
            row.identifiers.push_back(textAt(identifier, "system") + " " +
                                      textAt(identifier, "value"));
    }
}

void encounter(const Json& r, Row& row) {
    row.partsLeft = otherElements(r, {"status", "class", "period", "reasonCode", "subject"});
    const Json period = r.value("period", Json::object());
    if (!period.contains("start") ||
        !FhirTime::read(textAt(period, "start"), FhirTime::Form::DateTime, row.date))
        return;
    row.target = Target::Visit;
    row.key = keyOf(r, "visit-");
    std::vector<std::string> reasons;
    for (const Json& reason : r.value("reasonCode", Json::array())) {
        reasons.push_back(conceptText(Json{{"c", reason}}, "c"));
        row.partsLeft += reason.contains("coding") ? 1 : 0;
    }
    row.text = joined(reasons);
}

void toVisit(Row& row, size_t field, std::string text) {
    if (row.encounter.empty() || text.empty())
        return;
    row.target = Target::VisitText;
    row.field = field;
    row.text = std::move(text);
}

void history(const Json& r, Row& row, const char* kind, std::string text) {
    if (text.empty())
        return;
    row.target = Target::History;
    row.kind = kind;
    row.text = std::move(text);
    row.key = keyOf(r, "history-");
}

void observation(const Json& r, Row& row) {
    row.partsLeft =
        otherElements(r, {"status", "category", "code", "subject", "encounter", "effectiveDateTime",
                          "valueString", "valueQuantity", "component", "note"});
    std::string column, unit;
    std::string loinc;
    for (const Json& coding : r["code"].value("coding", Json::array()))
        if (textAt(coding, "system") == kLoinc && loinc.empty())
            loinc = textAt(coding, "code");
    if (!row.encounter.empty() && FhirResources::codedVitalSign(loinc, column, unit)) {
        toVisit(row, fieldOf(column),
                  column == "bp" ? bloodPressure(r, row.partsLeft)
                                 : valueText(r, unit, row.partsLeft));
        return;
    }
    if (hasCode(r, "category", "social-history")) {
        row.partsLeft += loinc == "29762-2" ? 0 : codesLeft(r, "code");
        std::string text = valueText(r, "", row.partsLeft);
        history(r, row, "Social", text.empty() ? conceptText(r, "code") : text);
        return;
    }
    row.partsLeft += codesLeft(r, "code");
    const std::string name = conceptText(r, "code");
    if (hasCode(r, "category", "laboratory") || row.encounter.empty()) {
        if (!r.contains("effectiveDateTime") ||
            !FhirTime::read(textAt(r, "effectiveDateTime"), FhirTime::Form::DateTime, row.date))
            return;
        row.target = Target::Test;
        row.text = name;
        row.second = valueText(r, "", row.partsLeft);
        row.key = keyOf(r, "test-");
        return;
    }
    size_t field = visitText("other");
    std::string value = valueText(r, "", row.partsLeft);
    if (!examField(name, field) && !name.empty())
        value = name + ": " + value;
    toVisit(row, field, value);
}

void condition(const Json& r, Row& row) {
    row.partsLeft = otherElements(r, {"category", "code", "subject", "encounter", "recordedDate"}) +
                    codesLeft(r, "code");
    const std::string text = conceptText(r, "code");
    if (!row.encounter.empty())
        toVisit(row, visitText("diagnosis"), text);
    else
        history(r, row, "Medical", text);
}

void familyHistory(const Json& r, Row& row) {
    row.partsLeft = otherElements(r, {"status", "patient", "relationship", "note"});
    std::string text = joined(notes(r));
    if (!hasCode(r, "relationship", "FAMMEMB"))
        text = conceptText(r, "relationship") + ": " + text;
    history(r, row, "Family", text);
}

void medication(const Json& r, Row& row) {
    row.partsLeft = otherElements(r, {"status", "subject", "medicationCodeableConcept", "note"}) +
                    codesLeft(r, "medicationCodeableConcept");
    row.text = conceptText(r, "medicationCodeableConcept");
    if (row.text.empty())
        return;
    row.target = Target::Medication;
    const std::vector<std::string> said = notes(r);
    row.second = said.empty() ? "" : said[0];
    row.partsLeft += said.size() > 1 ? static_cast<long long>(said.size()) - 1 : 0;
    row.key = keyOf(r, "medication-");
}

void carePlan(const Json& r, Row& row) {
    row.partsLeft = otherElements(r, {"status", "intent", "subject", "encounter", "description"});
    toVisit(row, visitText("treatment"), textAt(r, "description"));
}

} // namespace

FhirMapping::Row FhirMapping::rowOf(const Json& r, const Resolve& resolve) {
    Row row;
    const std::string type = textAt(r, "resourceType");
    row.patient = referenceOf(
        r, type == "FamilyMemberHistory" || type == "AllergyIntolerance" ? "patient" : "subject",
        resolve);
    row.encounter = referenceOf(r, "encounter", resolve);
    if (type == "Patient")
        patient(r, row);
    else if (row.patient.empty())
        return row;
    if (type == "Encounter")
        encounter(r, row);
    else if (type == "Observation")
        observation(r, row);
    else if (type == "Condition")
        condition(r, row);
    else if (type == "Procedure") {
        row.partsLeft = otherElements(r, {"status", "subject", "code"}) + codesLeft(r, "code");
        history(r, row, "Surgical", conceptText(r, "code"));
    } else if (type == "FamilyMemberHistory")
        familyHistory(r, row);
    else if (type == "AllergyIntolerance") {
        row.partsLeft = otherElements(r, {"patient", "code"}) + codesLeft(r, "code");
        history(r, row, "Allergies", conceptText(r, "code"));
    } else if (type == "MedicationStatement")
        medication(r, row);
    else if (type == "CarePlan")
        carePlan(r, row);
    if ((type != "Patient" && !row.patient.starts_with("Patient/")) ||
        (!row.encounter.empty() && !row.encounter.starts_with("Encounter/")))
        row.target = Target::None;
    return row;
}
