#pragma once

#include <string>

// Tells whether a file is a whole Medora database: a SQLite file that passes the engine's
// integrity check and holds the program's tables with their columns as the supplied empty
// database has them, whatever other tables and columns it holds besides.
class RecordsFileCheck {
public:
    static bool isRecords(const std::string& path);
    // The quick half: the length its pages give, and the tables with their columns.
    static bool hasRecordsLayout(const std::string& path);
    // The slow half: the engine's integrity check, which reads the whole file.
    static bool isSound(const std::string& path);
};
