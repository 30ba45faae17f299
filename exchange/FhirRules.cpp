#include "exchange/FhirRules.h"

#include "exchange/FhirTime.h"

#include <algorithm>
#include <string_view>

using Json = nlohmann::json;

namespace {

// What an element must be.
enum class Kind {
    String,
    Code,
    Date,
    DateTime,
    Reference,
    Concept,
    Coding,
    Quantity,
    Period,
    Annotation,
    Identifier,
    Name,
    Address,
    Contact,
    Component,
};

struct Element {
    const char* type; // the resource type, or nullptr for every type Medora holds
    const char* name;
    Kind kind;
    bool list = false;
    bool required = false;
};

const Element kElements[] = {
    {"Patient", "identifier", Kind::Identifier, true},
    {"Patient", "name", Kind::Name, true},
    {"Patient", "gender", Kind::Code},
    {"Patient", "birthDate", Kind::Date},
    {"Patient", "address", Kind::Address, true},
    {"Patient", "telecom", Kind::Contact, true},
    {"Encounter", "status", Kind::Code, false, true},
    {"Encounter", "class", Kind::Coding, false, true},
    {"Encounter", "period", Kind::Period},
    {"Encounter", "reasonCode", Kind::Concept, true},
    {"Encounter", "subject", Kind::Reference},
    {"Observation", "status", Kind::Code, false, true},
    {"Observation", "code", Kind::Concept, false, true},
    {"Observation", "category", Kind::Concept, true},
    {"Observation", "subject", Kind::Reference},
    {"Observation", "encounter", Kind::Reference},
    {"Observation", "effectiveDateTime", Kind::DateTime},
    {"Observation", "valueString", Kind::String},
    {"Observation", "valueQuantity", Kind::Quantity},
    {"Observation", "component", Kind::Component, true},
    {"Observation", "note", Kind::Annotation, true},
    {"Condition", "subject", Kind::Reference, false, true},
    {"Condition", "code", Kind::Concept},
    {"Condition", "category", Kind::Concept, true},
    {"Condition", "encounter", Kind::Reference},
    {"Condition", "recordedDate", Kind::DateTime},
    {"Procedure", "status", Kind::Code, false, true},
    {"Procedure", "subject", Kind::Reference, false, true},
    {"Procedure", "code", Kind::Concept},
    {"Procedure", "encounter", Kind::Reference},
    {"FamilyMemberHistory", "status", Kind::Code, false, true},
    {"FamilyMemberHistory", "patient", Kind::Reference, false, true},
    {"FamilyMemberHistory", "relationship", Kind::Concept, false, true},
    {"FamilyMemberHistory", "note", Kind::Annotation, true},
    {"AllergyIntolerance", "patient", Kind::Reference, false, true},
    {"AllergyIntolerance", "code", Kind::Concept},
    {"AllergyIntolerance", "encounter", Kind::Reference},
    {"MedicationStatement", "status", Kind::Code, false, true},
    {"MedicationStatement", "subject", Kind::Reference, false, true},
    {"MedicationStatement", "medicationCodeableConcept", Kind::Concept},
    {"MedicationStatement", "medicationReference", Kind::Reference},
    {"MedicationStatement", "context", Kind::Reference},
    {"MedicationStatement", "note", Kind::Annotation, true},
    {"CarePlan", "status", Kind::Code, false, true},
    {"CarePlan", "intent", Kind::Code, false, true},
    {"CarePlan", "subject", Kind::Reference, false, true},
    {"CarePlan", "description", Kind::String},
    {"CarePlan", "encounter", Kind::Reference},
};

bool holds(std::string_view type) {
    return std::any_of(std::begin(kElements), std::end(kElements),
                       [&](const Element& e) { return type == e.type; });
}

std::string problemOf(const Json& value, Kind kind);

// The member `name` of the object, when there, must be of that kind; "" when it is.
std::string member(const Json& object, const char* name, Kind kind, bool list = false) {
    const auto found = object.find(name);
    if (found == object.end())
        return {};
    if (list) {
        if (!found->is_array())
            return std::string(name) + " is not a list";
        for (const Json& item : *found)
            if (std::string why = problemOf(item, kind); !why.empty())
                return std::string(name) + ": " + why;
        return {};
    }
    if (std::string why = problemOf(*found, kind); !why.empty())
        return std::string(name) + ": " + why;
    return {};
}

// The first problem among the members of an object.
template <typename... Members> std::string firstOf(const Json& value, Members... problems) {
    if (!value.is_object())
        return "not a JSON object";
    for (const std::string& why : {problems...})
        if (!why.empty())
            return why;
    return {};
}

std::string referenceProblem(const Json& value) {
    std::string why = firstOf(value, member(value, "reference", Kind::String),
                              member(value, "display", Kind::String));
    if (!why.empty() || !value.contains("reference"))
        return why;
    const std::string reference = value["reference"].get<std::string>();
    const bool other = reference.starts_with("#") || reference.starts_with("urn:") ||
                       reference.find("://") != std::string::npos;
    if (reference.empty() || reference.find_first_of(" \t\r\n") != std::string::npos ||
        (!other && FhirRules::target(reference).empty()))
        return "the reference \"" + reference + "\" is not of a form FHIR allows";
    return {};
}

std::string problemOf(const Json& value, Kind kind) {
    switch (kind) {
    case Kind::String:
        return value.is_string() ? "" : "not a text";
    case Kind::Code: {
        if (!value.is_string())
            return "not a code (a text)";
        const std::string code = value.get<std::string>();
        if (code.empty() || code.front() == ' ' || code.back() == ' ')
            return "the code \"" + code + "\" is empty or begins or ends with a space";
        return {};
    }
    case Kind::Date:
    case Kind::DateTime: {
        DateTime when;
        const FhirTime::Form form =
            kind == Kind::Date ? FhirTime::Form::Date : FhirTime::Form::DateTime;
        if (!value.is_string() || !FhirTime::read(value.get<std::string>(), form, when))
            return value.dump() + " is not a FHIR " +
                   (kind == Kind::Date ? "date (YYYY-MM-DD)"
                                       : "dateTime (YYYY-MM-DD or YYYY-MM-DDThh:mm:ss+zz:zz)");
        return {};
    }
    case Kind::Reference:
        return referenceProblem(value);
    case Kind::Coding:
        return firstOf(value, member(value, "system", Kind::String),
                       member(value, "code", Kind::Code), member(value, "display", Kind::String));
    case Kind::Concept:
        return firstOf(value, member(value, "coding", Kind::Coding, true),
                       member(value, "text", Kind::String));
    case Kind::Quantity: {
        std::string why =
            firstOf(value, member(value, "unit", Kind::String),
                    member(value, "system", Kind::String), member(value, "code", Kind::Code));
        if (why.empty() && value.contains("value") && !value["value"].is_number())
            why = "value is not a number";
        return why;
    }
    case Kind::Period:
        return firstOf(value, member(value, "start", Kind::DateTime),
                       member(value, "end", Kind::DateTime));
    case Kind::Annotation:
        if (!value.is_object() || !value.contains("text"))
            return "a note without its text";
        return firstOf(value, member(value, "text", Kind::String));
    case Kind::Identifier:
        return firstOf(value, member(value, "system", Kind::String),
                       member(value, "value", Kind::String));
    case Kind::Name:
        return firstOf(value, member(value, "family", Kind::String),
                       member(value, "given", Kind::String, true),
                       member(value, "text", Kind::String));
    case Kind::Address:
        return firstOf(
            value, member(value, "text", Kind::String), member(value, "line", Kind::String, true),
            member(value, "city", Kind::String), member(value, "postalCode", Kind::String));
    case Kind::Contact:
        return firstOf(value, member(value, "system", Kind::Code),
                       member(value, "value", Kind::String));
    case Kind::Component:
        if (!value.is_object() || !value.contains("code"))
            return "a component without its code";
        return firstOf(value, member(value, "code", Kind::Concept),
                       member(value, "valueQuantity", Kind::Quantity),
                       member(value, "valueString", Kind::String));
    }
    return {};
}

} // namespace

std::string FhirRules::problem(const Json& resource) {
    const auto id = resource.find("id");
    if (id != resource.end() && (!id->is_string() || !isId(id->get<std::string>())))
        return "its id " + id->dump() + " is not a FHIR id (1 to 64 letters, digits, - or .)";
    const std::string type = resource["resourceType"].get<std::string>();
    if (!holds(type))
        return {};
    for (const Element& element : kElements) {
        if (type != element.type)
            continue;
        if (element.required && !resource.contains(element.name))
            return std::string("it lacks ") + element.name + ", which FHIR R4 requires";
        if (std::string why = member(resource, element.name, element.kind, element.list);
            !why.empty())
            return why;
    }
    return {};
}

bool FhirRules::isId(const std::string& text) {
    return !text.empty() && text.size() <= 64 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.';
    });
}

std::string FhirRules::target(const std::string& reference) {
    std::string path = reference;
    if (const size_t history = path.find("/_history/"); history != std::string::npos)
        path.erase(history);
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return {};
    const size_t typeStart = path.rfind('/', slash - 1);
    const std::string type =
        path.substr(typeStart == std::string::npos ? 0 : typeStart + 1,
                    slash - (typeStart == std::string::npos ? 0 : typeStart + 1));
    const std::string id = path.substr(slash + 1);
    const bool relative = path.find("://") == std::string::npos;
    if (relative && typeStart != std::string::npos)
        return {};
    if (type.empty() || !(type[0] >= 'A' && type[0] <= 'Z') ||
        !std::all_of(type.begin(), type.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }) ||
        !isId(id))
        return {};
    return type + "/" + id;
}
