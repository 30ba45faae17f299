#pragma once

#include <optional>
#include <string>

struct sqlite3;

// The rules every row of Medora's records keeps, checked over a file of Medora's shape before
// it is restored or imported, with one query for each rule and table: keys and the numbers
// given within what both engines hold, with a number left to give; dates that can be read;
// text that is UTF-8 without NUL; every row of a patient's belonging to a patient; the one
// row of the clinic's details. The engine's integrity check sees to the rest (each column's
// type, NOT NULL, the CHECKs and the unique indexes).
class RecordsRules {
public:
    // The largest key both engines hold (an integer on the server).
    static constexpr long long kLastNumber = 2147483647;

    // The first rule the rows break, in the user's words; nothing when they keep them all.
    static std::optional<std::string> breach(sqlite3* db);
};
