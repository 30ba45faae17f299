#pragma once

#include "records/Progress.h"

#include <string>

// Tells whether a file is a whole Medora database: a SQLite file that passes the engine's
// integrity check and holds the program's tables with their columns as the supplied empty
// database has them, whatever other tables and columns it holds besides.
class RecordsFileCheck {
public:
    static bool isRecords(const std::string& path);
    enum class Verdict { Whole, NotWhole, Stopped };
    // As isRecords(), telling the progress how much of the file the integrity check has read;
    // the progress may stop it.
    static Verdict check(const std::string& path, const Progress& progress);
    // The quick half: the length its pages give, and the tables with their columns.
    static bool hasRecordsLayout(const std::string& path);
    // The slow half: the engine's integrity check, which reads the whole file.
    static bool isSound(const std::string& path, const Progress& progress = {});
};
