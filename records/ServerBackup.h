#pragma once

#include "records/FileFailure.h"
#include "records/Progress.h"

#include <optional>
#include <string>

class ServerLink;
struct MedoraTable;

// Backup and restore of the records on a PostgreSQL server, in the same file as the records
// file's backup: a Medora SQLite database, which opens in the sqlite3 shell and restores on
// either engine.
class ServerBackup {
public:
    using Outcome = std::optional<FileFailure>; // nothing when the operation succeeded

    // `connection` is a libpq connection string; a password, when given, overrides any in it.
    ServerBackup(std::string connection, std::string password);

    // Writes every row of every table, as one consistent snapshot of the server's records,
    // to target, with the largest key each table has given.
    Outcome backup(const std::string& target, const Progress& progress = {}) const;
    // Replaces every row of the server's records with those of source, once source has proved
    // to be a whole Medora database, in one transaction: other desks see the old records or
    // the new, never a mix. The records keep the server's identity, not the source's. The key
    // sequences move past every key the source or the server ever gave, so that no key is given
    // twice.
    Outcome restore(const std::string& source, const Progress& progress = {}) const;
    // As restore(), into records that hold no patients yet; refused otherwise.
    Outcome import(const std::string& source, const Progress& progress = {}) const;

private:
    Outcome load(const std::string& source, bool intoEmpty, const Progress& progress) const;

    std::string m_connection;
    std::string m_password;
};
