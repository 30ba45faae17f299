#pragma once

#include <optional>
#include <string>

struct sqlite3;

// The shapes Medora has given its records, one for each upgrade step, made from the schema
// the program was built with. A records file is Medora's only when its tables, with their
// columns, keys, constraints and indexes, are exactly those of the step its user_version
// names, and it holds nothing else: no trigger, view, table, index or column that another
// program added, which could act on the records once they are restored.
class RecordsShapes {
public:
    // What sets the database apart from Medora's shape of its version, in the user's words;
    // nothing when it has exactly that shape.
    static std::optional<std::string> difference(sqlite3* db);
};
