#pragma once

#include "store/SchemaSteps.h"

#include <sqlite3.h>

#include <filesystem>
#include <string>

// Makes a records file at `path` as the program made it at schema step `step`: the supplied
// empty database less the tables that later steps add, at that user_version. Then runs `sql`
// on it; true when all went through.
inline bool makeOldRecordsFile(const std::string& path, const std::string& sql, int step = 0)
{
    std::error_code error;
    std::filesystem::copy_file(MEDORA_EMPTY_DB, path,
                               std::filesystem::copy_options::overwrite_existing, error);
    std::string back;
    for (const SchemaStep* later : SchemaSteps::after(step))
        for (const std::string& table : later->tables)
            back += "DROP TABLE " + table + ";";
    back += "PRAGMA user_version = " + std::to_string(step) + ";";
    sqlite3* db = nullptr;
    bool made = !error && sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, (back + sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made;
}
