#pragma once

#include "records/Progress.h"

#include <string>

// Tells whether a file is whole Medora records that may be restored: a SQLite file of exactly
// one of the shapes Medora has made (see RecordsShapes), whose rows keep the records' rules
// (see RecordsRules) and which passes the engine's integrity check.
class RecordsFileCheck {
public:
    static bool isRecords(const std::string& path);
    // Refused: a database, but not as Medora makes its records; the fault says how.
    enum class Verdict { Whole, NotWhole, Refused, Stopped };
    // As isRecords(), telling the progress how much of the file the integrity check has read;
    // the progress may stop it.
    static Verdict check(const std::string& path, const Progress& progress, std::string& fault);
    // The quick half: the length its pages give, its shape and the rules of its rows; the
    // engine's check only when these find a fault, which may then be damage.
    static Verdict examine(const std::string& path, std::string& fault);
    // The slow half: the engine's integrity check, which reads the whole file.
    static bool isSound(const std::string& path, const Progress& progress = {});
    // The engine's quicker check of every page and row, which leaves out whether the file's
    // indexes agree with its rows: enough for a copy of the rows that builds its own indexes.
    static bool rowsAreSound(const std::string& path, const Progress& progress = {});
};
