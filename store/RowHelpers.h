#pragma once

#include "store/Database.h"
#include "store/RecordId.h"

#include <string>
#include <vector>

// Work that several data classes share, each helper one whole operation unless it takes a
// Database.

// Rows that belong to a patient are only ever added for a patient that still exists.
bool patientExists(Database& db, int patientId);

// Runs the INSERT `sql` with the patient's number and then `values` as its parameters,
// when that patient still exists.
template <typename... Values>
bool addPatientRow(const char* sql, const std::string& patientId, const Values&... values)
{
    int patient = 0;
    if (!parseRecordId(patientId, patient))
        return Database::refuse();
    return Database::run([&](Database& db) {
        if (!patientExists(db, patient))
            return false;
        Statement insert = db.prepare(sql);
        insert.bind(1, patient);
        int index = 2;
        (insert.bind(index++, values), ...);
        insert.run();
        return true;
    });
}

// Runs the DELETE `sql` with the key `id`; false when no row had it.
bool deleteRowById(const char* sql, const std::string& id);

// Appends column 0 of every row of `sql` to `names`.
bool fetchNames(const char* sql, std::vector<std::string>& names);

// Runs `insertSql` with `name` unless `findSql` finds an equal one; finding it is success.
bool addNameOnce(const char* findSql, const char* insertSql, const std::string& name);
