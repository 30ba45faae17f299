#pragma once

#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <string>

// Makes a records file at `path` as the program made it before the search kept keys, and runs
// `sql` on it; true when all went through.
inline bool makeOldRecordsFile(const std::string& path, const std::string& sql)
{
    std::ifstream in(MEDORA_OLD_SCHEMA_SQL);
    const std::string schema(std::istreambuf_iterator<char>(in), {});
    sqlite3* db = nullptr;
    bool made = sqlite3_open(path.c_str(), &db) == SQLITE_OK && !schema.empty() &&
                sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made;
}
