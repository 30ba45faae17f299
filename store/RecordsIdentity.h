#pragma once

#include <string>

class Database;

// The identity of one set of records: a random id the records keep (records_identity) and
// their backups carry, by which the backups of different records are named and kept apart.
// A records file gets its id on its first use by the program (the supplied empty one has none),
// a server's from medora-admin init or upgrade.
class RecordsIdentity
{
public:
    // Reads the id of the records in use, on either engine.
    bool Fetch();

    std::string m_id;

    // A new id: 128 random bits as 32 lower-case hexadecimal digits; empty when the system
    // gives no random bits.
    static std::string makeId();

    // Gives a records file its id, unless it holds one already. Inside the operation's
    // exclusive transaction.
    static void giveFile(Database& db);
    static constexpr const char* table = "records_identity";
};
