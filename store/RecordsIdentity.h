#pragma once

#include <string>

class Database;

// The identity of one set of records: a random id the records keep (records_identity) and
// their backups carry, by which the backups of different records are named and kept apart.
// A records file gets its id on its first use by the program, a server's from medora-admin
// init or upgrade.
class RecordsIdentity
{
public:
    // Reads the id of the records in use, on either engine.
    bool Fetch();

    std::string m_id;

    // A new id: 128 random bits as 32 lower-case hexadecimal digits; empty when the system
    // gives no random bits.
    static std::string makeId();

    // Gives a file of an earlier version the table and an id of its own; a table that is
    // there already keeps its id. Inside the operation's exclusive transaction.
    static void upgradeFile(Database& db);
    // The file's user_version once it holds its id.
    static constexpr int fileVersion = 2;
    static constexpr const char* table = "records_identity";
    // The table as schema.sql makes it, for files made before it.
    static constexpr const char* fileTable =
        "CREATE TABLE IF NOT EXISTS records_identity (\n"
        "    only_row INTEGER PRIMARY KEY CHECK (only_row = 1),\n"
        "    id       TEXT NOT NULL CHECK (length(id) = 32 AND id NOT GLOB '*[^0-9a-f]*')\n"
        ") STRICT";
};
