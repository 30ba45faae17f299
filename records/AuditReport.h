#pragma once

#include "store/AuditChain.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The audit trail as CSV, one line per entry, with the header
// time,user,desk,action,table,record,patient,details; the time is the desk's local time.
class AuditReport {
public:
    // What an entry must match; each part left empty matches every entry. The days are
    // YYYY-MM-DD, both ends included.
    struct Filter {
        std::string patient;
        std::string user;
        std::string action;
        std::string from;
        std::string to;
    };

    // The filter the arguments ask for (--patient N, --user NAME, --action WORD,
    // --from YYYY-MM-DD, --to YYYY-MM-DD); nothing when they ask for none, with why.
    static std::optional<Filter> filterOf(const std::vector<std::string>& args, std::string& why);
    static bool matches(const AuditEntry& entry, const Filter& filter);
    static void write(std::ostream& out, const std::vector<AuditEntry>& entries,
                      const Filter& filter);
    // One field as CSV has it: quoted, its quotes doubled, when it holds a comma, a quote or
    // a line break.
    static std::string csvField(const std::string& field);
};
