#pragma once

#include "records/AuditChain.h"

#include <map>
#include <string>
#include <vector>

// The versions of one row of records, told by its entries in the audit trail: each entry holds
// the row as it was before the change (for an insert, the row it made), so a version is the
// row as the next change found it, or as it is now.
class RecordVersions {
public:
    struct Change {
        std::string field;
        std::string before;
        std::string after;
    };
    struct Version {
        AuditEntry entry;                      // the change that made this version
        std::map<std::string, std::string> row; // the row as the change left it (for a delete,
                                               // as it was before)
        std::vector<Change> changes;           // field by field, against the version before
    };

    // `entries` are the row's, oldest first; `now` is the row as it is, as JSON, or empty when
    // it was deleted. A row older than the trail begins with the version the first change
    // found, made by no entry of its own (its action empty).
    static std::vector<Version> of(const std::vector<AuditEntry>& entries, const std::string& now);

    // A JSON object's members as texts: numbers as JSON writes them, null as empty.
    static std::map<std::string, std::string> fields(const std::string& json);
};
