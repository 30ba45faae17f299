#include "exchange/FhirSource.h"

#include "exchange/FhirRefusal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// The parser's own words, without the library's tag ("[json.exception.parse_error.101] ").
std::string parserSaid(const Json::parse_error& error) {
    const std::string what = error.what();
    const size_t tag = what.find("] ");
    return (tag == std::string::npos ? what : what.substr(tag + 2)) + ".";
}

// A resource is a JSON object that names its type.
void requireResource(const Json& value, const FhirSource::Place& place) {
    if (!value.is_object())
        throw FhirRefusal(place.describe() + " is not a FHIR resource: it is not a JSON object.");
    const std::string type = FhirSource::typeOf(value);
    if (type.empty() || !std::all_of(type.begin(), type.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        }))
        throw FhirRefusal(place.describe() +
                          " is not a FHIR resource: it has no resourceType that names one.");
}

std::ifstream opened(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw FhirRefusal("Cannot read " + file + ": " + std::strerror(errno) + ".");
    return in;
}

} // namespace

std::string FhirSource::Place::describe() const {
    if (line != 0)
        return file + ", line " + std::to_string(line);
    if (entry != 0)
        return file + ", entry " + std::to_string(entry);
    return file;
}

FhirSource::FhirSource(const std::string& path) : m_path(path) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
            if (entry.path().extension() == ".ndjson" && entry.is_regular_file(error))
                m_files.push_back(entry.path().string());
        std::sort(m_files.begin(), m_files.end());
        if (m_files.empty())
            throw FhirRefusal("The folder " + path + " holds no FHIR NDJSON files (*.ndjson).");
        return;
    }
    std::ifstream in = opened(path);
    try {
        m_bundle = Json::parse(in);
    } catch (const Json::parse_error& e) {
        throw FhirRefusal(path + " is not JSON: " + parserSaid(e));
    }
    requireResource(m_bundle, {path, 0, 0, {}});
    if (typeOf(m_bundle) != "Bundle")
        throw FhirRefusal(path + " holds a FHIR " + typeOf(m_bundle) +
                          ", not a Bundle of a patient's records.");
    const auto type = m_bundle.find("type");
    if (type == m_bundle.end() || !type->is_string())
        throw FhirRefusal(path + " is a Bundle without its type, which FHIR requires.");
    const auto entries = m_bundle.find("entry");
    if (entries != m_bundle.end() && !entries->is_array())
        throw FhirRefusal(path + " is a Bundle whose entry is not a list.");
    eachOfBundle([](const std::string&) { return true; },
                 [this](const Json& r, const Place& at) {
                     if (!at.fullUrl.empty())
                         m_fullUrls[at.fullUrl] = nameOf(r, at);
                     return true;
                 });
}

std::string FhirSource::typeOf(const Json& resource) {
    const auto found = resource.find("resourceType");
    return found != resource.end() && found->is_string() ? found->get<std::string>() : "";
}

std::string FhirSource::nameOf(const Json& resource, const Place& place) {
    const auto id = resource.find("id");
    return typeOf(resource) + "/" +
           (id != resource.end() && id->is_string() ? id->get<std::string>() : place.fullUrl);
}

bool FhirSource::each(const std::function<bool(const std::string&)>& wanted, const Visit& visit) {
    if (m_files.empty())
        return eachOfBundle(wanted, visit);
    for (const std::string& file : m_files) {
        const auto types = m_typesOf.find(file);
        if (types != m_typesOf.end() &&
            std::none_of(types->second.begin(), types->second.end(), wanted))
            continue;
        if (!eachOfFile(file, wanted, visit))
            return false;
    }
    return true;
}

bool FhirSource::eachOfBundle(const std::function<bool(const std::string&)>& wanted,
                              const Visit& visit) {
    const auto entries = m_bundle.find("entry");
    if (entries == m_bundle.end())
        return true;
    long long number = 0;
    for (const Json& entry : *entries) {
        Place place{m_path, 0, ++number, {}};
        if (!entry.is_object())
            throw FhirRefusal(place.describe() + " is not a Bundle entry: not a JSON object.");
        const auto url = entry.find("fullUrl");
        if (url != entry.end()) {
            if (!url->is_string())
                throw FhirRefusal(place.describe() + " has a fullUrl that is not a text.");
            place.fullUrl = url->get<std::string>();
        }
        const auto resource = entry.find("resource");
        if (resource == entry.end())
            continue;
        requireResource(*resource, place);
        if (wanted(typeOf(*resource)) && !visit(*resource, place))
            return false;
    }
    return true;
}

bool FhirSource::eachOfFile(const std::string& file,
                            const std::function<bool(const std::string&)>& wanted,
                            const Visit& visit) {
    std::ifstream in = opened(file);
    const bool known = m_typesOf.count(file) != 0;
    std::set<std::string> types;
    Place place{file, 0, 0, {}};
    for (std::string line; std::getline(in, line);) {
        ++place.line;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        Json resource;
        try {
            resource = Json::parse(line);
        } catch (const Json::parse_error& e) {
            throw FhirRefusal(place.describe() + " is not JSON: " + parserSaid(e));
        }
        requireResource(resource, place);
        const std::string type = typeOf(resource);
        types.insert(type);
        if (wanted(type) && !visit(resource, place))
            return false;
    }
    if (in.bad())
        throw FhirRefusal("Cannot read " + file + ": " + std::strerror(errno) + ".");
    if (!known)
        m_typesOf[file] = std::move(types);
    return true;
}
