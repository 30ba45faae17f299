#pragma once

#include <string>

// Tells whether a file is a whole Medora database: a SQLite file that passes the engine's
// integrity check and holds the program's tables with their columns as the supplied empty
// database has them.
class RecordsFileCheck {
public:
    static bool isRecords(const std::string& path);
};
