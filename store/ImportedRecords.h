#pragma once

#include "store/DateTime.h"
#include "store/PatientDetails.h"

#include <cstddef>
#include <string>

class Database;

// Writes the rows of records brought in from elsewhere, inside the operation that brings them
// all in. A row is given a new key, or, where the caller keeps the keys the records came with,
// that key; the tables then give new keys past those kept.
class ImportedRecords {
public:
    // The tables of a patient's rows, each with its key column.
    enum Table { Patients, Visits, History, Medications, Tests, TableCount };

    explicit ImportedRecords(Database& db) : m_db(db) {}

    // Whether no table of a patient's rows holds a row.
    bool holdNone();
    // The highest key the table has ever given, rows since removed included; 0 when none.
    long long highestKeyGiven(Table table);
    // After rows were added with keys of their own: the table's new keys go on past `key`.
    void keysGivenUpTo(Table table, long long key);

    // Each adds a row and gives its key: `key` when it is not 0, a new one otherwise. A
    // patient comes with the search's keys, as one added at a desk does.
    long long addPatient(const PatientDetails& details, long long key);
    // `kind` as stored: "Medical", "Surgical", "Social", "Family" or "Allergies".
    long long addHistory(long long patient, const std::string& kind, const std::string& text,
                         long long key);
    long long addMedication(long long patient, const std::string& name, const std::string& status,
                            long long key);
    long long addTest(long long patient, DateTime date, const std::string& type,
                      const std::string& results, long long key);
    // A visit with its complaint; its other texts come with addToVisit.
    long long addVisit(long long patient, DateTime date, const std::string& complaint,
                       long long key);
    // Adds `text` to the visit's text of the field (kVisitFields), on a line of its own after
    // any text the field holds already.
    void addToVisit(long long visit, size_t field, const std::string& text);

private:
    template <typename Bind>
    long long insert(Table table, const std::string& columns, const Bind& bind, long long key);

    Database& m_db;
};
