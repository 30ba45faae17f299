#pragma once

#include "store/AuditChain.h"
#include "records/AuditReport.h"

#include <functional>
#include <string>
#include <vector>

class ServerLink;

// The entries of the audit trail, in the order of their numbers, as a records file, a backup
// or the server holds them. Each throws std::runtime_error, saying why, when they cannot be
// read. Records of a step before the trail hold no entries.
class AuditTrail {
public:
    using Take = std::function<void(const AuditEntry&)>;

    // Only the entries that match `filter`, chosen by the database, so that an index on the
    // patient's number serves a report of one patient out of millions of entries.
    static std::vector<AuditEntry> ofFile(const std::string& path,
                                          const AuditReport::Filter& filter = {});
    // A password, when given, overrides any in the connection string or libpq's password file.
    static std::vector<AuditEntry> ofServer(const std::string& connection,
                                            const std::string& password = {},
                                            const AuditReport::Filter& filter = {});

    // Every entry handed to `take` one at a time, in order, none of them held: a trail of
    // millions of entries is checked in the memory of one.
    static void eachOfFile(const std::string& path, const Take& take);
    static void eachOfServer(const std::string& connection, const std::string& password,
                             const Take& take);

    // The server's writers enter their entries without the hashes that chain them: whoever
    // reads the chain makes them first, on a link outside any transaction. Entries committed
    // after that wait for the next reader. Throws ServerError.
    static void sealOnServer(ServerLink& link);
};
