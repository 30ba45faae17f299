#pragma once

#include "records/AuditChain.h"

#include <string>
#include <vector>

// The entries of the audit trail, in the order of their numbers, as a records file, a backup
// or the server holds them. Each throws std::runtime_error, saying why, when they cannot be
// read. Records of a step before the trail hold no entries.
class AuditTrail {
public:
    static std::vector<AuditEntry> ofFile(const std::string& path);
    // A password, when given, overrides any in the connection string or libpq's password file.
    static std::vector<AuditEntry> ofServer(const std::string& connection,
                                            const std::string& password = {});
};
