#pragma once

#include <nlohmann/json.hpp>

#include <string>

// FHIR R4's basic rules for the elements an import reads: the elements a resource must have,
// the JSON type of each, the forms of ids, dates, dateTimes and references. Of the resource
// types Medora does not hold only the id is checked.
class FhirRules {
public:
    // Why the resource breaks the rules, as a message says it; empty when it keeps them.
    static std::string problem(const nlohmann::json& resource);

    // A resource's id: 1 to 64 letters, digits, '-' or '.'.
    static bool isId(const std::string& text);
    // The resource a reference names, as "Type/id", from a relative reference ("Patient/7",
    // with or without "/_history/n") or an absolute URL that ends in one; empty for any other
    // form (a Bundle's "urn:uuid:…" fullUrl, a contained "#…" resource).
    static std::string target(const std::string& reference);
};
