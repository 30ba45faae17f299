#pragma once

#include "store/DateTime.h"
#include "store/SearchQuery.h"

#include <set>
#include <string>
#include <utility>

class Database;

// The search's keys of each patient (search_words), kept by every operation that
// adds, changes or removes a patient, in the same transaction.
class SearchIndex
{
public:
    // One patient's keys, with the names that lists of found patients are ordered by.
    struct PatientKeys
    {
        long long patientId;
        std::string sortName;
        std::set<std::pair<std::string, SearchKind>> keys;
    };
    static PatientKeys keysOf(long long patientId, const std::string& firstName,
                              const std::string& lastName, DateTime dob,
                              const std::string& telephone);

    // The keys of a patient just added.
    static void add(Database& db, long long patientId, const std::string& firstName,
                    const std::string& lastName, DateTime dob, const std::string& telephone);
    // Replaces the patient's keys with those of the details given.
    static void replace(Database& db, long long patientId, const std::string& firstName,
                        const std::string& lastName, DateTime dob, const std::string& telephone);
    static void remove(Database& db, long long patientId);

    // Makes every patient's keys anew in a records file, for a schema step that changes them
    // or brings the search. Inside the operation's exclusive transaction.
    static void remakeFile(Database& db);
    // Makes again the keys that do not match the patients they are for: those of a patient
    // added or renamed by another program, of a patient since deleted, or missing. Only for
    // the file engine, inside the operation's exclusive transaction.
    static void repairFile(Database& db);

    // The table of the keys, which the program makes from the patients.
    static constexpr const char* table = "search_words";
};
