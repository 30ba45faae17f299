#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// The resources of a FHIR Bundle file or of a FHIR Bulk Data folder (every *.ndjson in it, one
// resource a line), read again as often as asked. A Bundle is held whole; a folder's files are
// read line by line each time, so that only one resource of a folder is held at once.
class FhirSource {
public:
    // Where a resource was found, as a message names it.
    struct Place {
        std::string file;
        long long line = 0;  // of an NDJSON file; 0 in a Bundle
        long long entry = 0; // of a Bundle, from 1; 0 in an NDJSON file
        std::string fullUrl; // the Bundle entry's, if any
        std::string describe() const;
    };
    using Visit = std::function<bool(const nlohmann::json& resource, const Place& place)>;

    // Throws FhirRefusal when `path` is neither a file of JSON that is a Bundle nor a folder
    // that holds NDJSON files.
    explicit FhirSource(const std::string& path);

    // Gives each resource whose type `wanted` accepts to `visit`, in the order of the input,
    // until visit returns false; false then. Each resource of a folder's line is given as it
    // is read: a line that is not JSON, or not a resource, throws FhirRefusal when reached.
    bool each(const std::function<bool(const std::string& type)>& wanted, const Visit& visit);

    // A Bundle's entries' fullUrls, each with the resource it names as "Type/id" ("Type/" and
    // the fullUrl for a resource without an id), for references that name resources by them.
    const std::map<std::string, std::string>& fullUrls() const { return m_fullUrls; }
    // A resource's name as references name it: "Type/id", or as fullUrls() gives it.
    static std::string nameOf(const nlohmann::json& resource, const Place& place);
    // The resource's type; empty when it names none.
    static std::string typeOf(const nlohmann::json& resource);

private:
    bool eachOfBundle(const std::function<bool(const std::string&)>& wanted, const Visit& visit);
    bool eachOfFile(const std::string& file, const std::function<bool(const std::string&)>& wanted,
                    const Visit& visit);

    std::string m_path;
    nlohmann::json m_bundle;
    std::map<std::string, std::string> m_fullUrls;
    std::vector<std::string> m_files;
    // The types each file of a folder was found to hold once read whole, so that a later
    // reading skips the files that hold none it wants.
    std::map<std::string, std::set<std::string>> m_typesOf;
};
