#pragma once

#include <string>
#include <vector>

class Database;

// Work that several data classes share, each helper one whole operation unless it takes a
// Database.

// Rows that belong to a patient are only ever added for a patient that still exists.
bool patientExists(Database& db, int patientId);

// Runs `sql` (parameters: patient number, first text, second text) for an existing patient.
bool addPatientRow(const char* sql, const std::string& patientId, const std::string& first,
                   const std::string& second);

// Runs the DELETE `sql` with the key `id`; false when no row had it.
bool deleteRowById(const char* sql, const std::string& id);

// Appends column 0 of every row of `sql` to `names`.
bool fetchNames(const char* sql, std::vector<std::string>& names);

// Runs `insertSql` with `name` unless `findSql` finds an equal one; finding it is success.
bool addNameOnce(const char* findSql, const char* insertSql, const std::string& name);
