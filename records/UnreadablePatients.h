#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

// A patient some of whose records a rescue could not read.
struct UnreadablePatient {
    long long id = 0;
    // As the rescued records or, for a patient whose own row was lost, the search's keys
    // have it; empty when neither does.
    std::string name;
    // Medora's tables that held what was lost of theirs.
    std::vector<std::string> tables;

    bool operator==(const UnreadablePatient&) const = default;
};

// Finds, once a rescue has copied what it could, the patients whose rows it could not read:
// those whose own row is missing from the rescued records though the damaged file still
// names them (in its search keys or in another table's rows), and those a row of another
// table in a stretch of keys it could not read belonged to, as that table's index of
// patients tells.
class UnreadablePatients {
public:
    // The first and last key of each stretch that could not be read, by table.
    using Stretches = std::map<std::string, std::vector<std::pair<long long, long long>>>;

    static std::vector<UnreadablePatient> find(sqlite3* damaged, sqlite3* rescued,
                                               const Stretches& lost);
};
