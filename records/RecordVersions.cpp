#include "records/RecordVersions.h"

#include <nlohmann/json.hpp>

namespace {

using Row = std::map<std::string, std::string>;

std::vector<RecordVersions::Change> differences(const Row& before, const Row& after) {
    std::vector<RecordVersions::Change> changes;
    for (const auto& [field, value] : after) {
        const auto old = before.find(field);
        const std::string was = old == before.end() ? std::string() : old->second;
        if (was != value)
            changes.push_back({field, was, value});
    }
    for (const auto& [field, value] : before)
        if (!after.contains(field) && !value.empty())
            changes.push_back({field, value, ""});
    return changes;
}

} // namespace

std::map<std::string, std::string> RecordVersions::fields(const std::string& json) {
    Row row;
    const auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (!parsed.is_object())
        return row;
    for (const auto& [key, value] : parsed.items())
        row[key] = value.is_string() ? value.get<std::string>()
                   : value.is_null() ? std::string()
                                     : value.dump();
    return row;
}

// A change's entry holds the row before it: the version an update made is the row the next
// change found, or the row as it is now.
std::vector<RecordVersions::Version> RecordVersions::of(const std::vector<AuditEntry>& entries,
                                                        const std::string& now) {
    std::vector<Version> versions;
    if (entries.empty())
        return versions;
    if (entries.front().action != "insert")
        versions.push_back({AuditEntry{}, fields(entries.front().details), {}});
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const AuditEntry& entry = entries[i];
        Row row;
        if (entry.action == "insert" || entry.action == "delete")
            row = fields(entry.details);
        else
            row = fields(i + 1 < entries.size() ? entries[i + 1].details : now);
        const Row before = versions.empty() || entry.action == "delete" ? Row{} : versions.back().row;
        std::vector<Change> changes = entry.action == "delete" ? std::vector<Change>{}
                                                               : differences(before, row);
        versions.push_back({entry, std::move(row), std::move(changes)});
    }
    return versions;
}
