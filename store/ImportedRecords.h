#pragma once

#include "store/DateTime.h"
#include "store/PatientDetails.h"
#include "store/VisitField.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

class Database;

// Writes the rows of records brought in from elsewhere, inside the operation that brings them
// all in. A row is given a new key, or, where the caller keeps the keys the records came with,
// that key; the tables then give new keys past those kept. Rows whose new key nobody asks for
// are written many at once, each such statement one round trip to a server: finish() writes
// the last of them.
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

    // Each adds a row with the key `key`, or a new one when it is 0. A patient comes with the
    // search's keys, as one added at a desk does; a patient's and a visit's key is given back.
    long long addPatient(const PatientDetails& details, long long key);
    long long addVisit(long long patient, DateTime date, const std::string& complaint,
                       long long key);
    // A visit with all its texts at once, in the order of kVisitFields.
    void addWholeVisit(long long patient, DateTime date, const std::vector<std::string>& texts,
                       long long key);
    // `kind` as stored: "Medical", "Surgical", "Social", "Family" or "Allergies".
    void addHistory(long long patient, const std::string& kind, const std::string& text,
                    long long key);
    void addMedication(long long patient, const std::string& name, const std::string& status,
                       long long key);
    void addTest(long long patient, DateTime date, const std::string& type,
                 const std::string& results, long long key);
    // Adds `text` to the visit's text of the field (kVisitFields), on a line of its own after
    // any text the field holds already.
    void addToVisit(long long visit, size_t field, const std::string& text);
    // Writes what is still waiting to be written, before the operation ends.
    void finish();

private:
    using Value = std::variant<long long, std::string, DateTime>;
    // Rows of one table waiting to be written, all with their keys or all without.
    struct Waiting {
        std::string columns;
        bool withKeys = false;
        size_t rows = 0;
        std::vector<Value> values;
    };

    void addRow(Table table, const std::string& columns, std::vector<Value> values, long long key);
    void writeRows(Table table);
    void writeVisitTexts();

    Database& m_db;
    Waiting m_rows[TableCount];
    // The texts waiting to be added to visits, by visit, in the order of kVisitFields.
    std::map<long long, std::vector<std::optional<std::string>>> m_texts;
};
