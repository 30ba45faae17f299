#include "store/SearchIndex.h"

#include "store/Database.h"
#include "store/SearchKey.h"
#include "store/SearchQuery.h"

#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace {

using Key = std::pair<std::string, SearchKind>;

// The tables as schema.sql makes them, for files made before them.
const char* const kFileTables[] = {
    "CREATE TABLE IF NOT EXISTS search_words (\n"
    "    word       TEXT NOT NULL,\n"
    "    kind       INTEGER NOT NULL,\n"
    "    patient_ID INTEGER NOT NULL,\n"
    "    PRIMARY KEY (word, kind, patient_ID)\n"
    ") STRICT, WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS search_words_patient ON search_words (patient_ID)",
    "CREATE TABLE IF NOT EXISTS search_names (\n"
    "    patient_ID INTEGER PRIMARY KEY,\n"
    "    sort_name  TEXT NOT NULL\n"
    ") STRICT",
};

// Rows per INSERT while a whole file's keys are made: few statements, far below the
// engines' limits on parameters.
constexpr size_t kRowsPerInsert = 200;

std::set<Key> keysOf(const std::string& firstName, const std::string& lastName, DateTime dob,
                     const std::string& telephone)
{
    std::set<Key> keys;
    for (std::string& word : SearchKey::words(firstName))
        keys.emplace(std::move(word), SearchKind::FirstName);
    for (std::string& word : SearchKey::words(lastName))
        keys.emplace(std::move(word), SearchKind::LastName);
    for (std::string& tail : SearchKey::phoneTails(telephone))
        keys.emplace(std::move(tail), SearchKind::Phone);
    DateTime::Civil civil;
    if (dob.toCivil(civil))
        keys.emplace(SearchKey::date(civil.year, civil.month, civil.day), SearchKind::BirthDate);
    return keys;
}

std::string sortName(const std::string& firstName, const std::string& lastName)
{
    // The separator sorts below every letter, so "Lee, Ann" comes before "Leeds, Ann".
    return SearchKey::folded(lastName) + '\x01' + SearchKey::folded(firstName);
}

struct WordRow
{
    const std::string* word;
    SearchKind kind;
    long long patientId;
};

void insertWords(Database& db, const std::vector<WordRow>& rows)
{
    for (size_t from = 0; from < rows.size(); from += kRowsPerInsert) {
        const size_t count = std::min(kRowsPerInsert, rows.size() - from);
        std::string sql = "INSERT INTO search_words (word, kind, patient_ID) VALUES (?, ?, ?)";
        for (size_t i = 1; i < count; ++i)
            sql += ", (?, ?, ?)";
        Statement insert = db.prepare(sql.c_str());
        for (size_t i = 0; i < count; ++i) {
            const WordRow& row = rows[from + i];
            const int at = static_cast<int>(3 * i);
            insert.bind(at + 1, *row.word).bind(at + 2, static_cast<int>(row.kind));
            insert.bind(at + 3, row.patientId);
        }
        insert.run();
    }
}

struct NameRow
{
    long long patientId;
    std::string sortName;
};

void insertNames(Database& db, const std::vector<NameRow>& rows)
{
    for (size_t from = 0; from < rows.size(); from += kRowsPerInsert) {
        const size_t count = std::min(kRowsPerInsert, rows.size() - from);
        std::string sql = "INSERT INTO search_names (patient_ID, sort_name) VALUES (?, ?)";
        for (size_t i = 1; i < count; ++i)
            sql += ", (?, ?)";
        Statement insert = db.prepare(sql.c_str());
        for (size_t i = 0; i < count; ++i) {
            const int at = static_cast<int>(2 * i);
            insert.bind(at + 1, rows[from + i].patientId).bind(at + 2, rows[from + i].sortName);
        }
        insert.run();
    }
}

} // namespace

// A new patient's keys are written without first looking for old ones: on the server, that
// look would tie the operation to every other desk adding a patient at the same moment.
void SearchIndex::add(Database& db, long long patientId, const std::string& firstName,
                      const std::string& lastName, DateTime dob, const std::string& telephone)
{
    const std::set<Key> keys = keysOf(firstName, lastName, dob, telephone);
    std::vector<WordRow> rows;
    for (const auto& [word, kind] : keys)
        rows.push_back({&word, kind, patientId});
    insertWords(db, rows);
    insertNames(db, {{patientId, sortName(firstName, lastName)}});
}

void SearchIndex::replace(Database& db, long long patientId, const std::string& firstName,
                          const std::string& lastName, DateTime dob, const std::string& telephone)
{
    remove(db, patientId);
    add(db, patientId, firstName, lastName, dob, telephone);
}

void SearchIndex::remove(Database& db, long long patientId)
{
    db.prepare("DELETE FROM search_words WHERE patient_ID = ?").bind(1, patientId).run();
    db.prepare("DELETE FROM search_names WHERE patient_ID = ?").bind(1, patientId).run();
}

void SearchIndex::upgradeFile(Database& db)
{
    Statement version = db.prepare("PRAGMA user_version");
    if (version.step() && version.integer(0) >= fileVersion)
        return;
    for (const char* sql : kFileTables)
        db.prepare(sql).run();
    db.prepare("DELETE FROM search_words").run();
    db.prepare("DELETE FROM search_names").run();
    std::vector<std::set<Key>> keys;
    std::vector<NameRow> names;
    Statement patients = db.prepare(
        "SELECT ID, first_name, last_name, DOB, telephone FROM patient_info ORDER BY ID");
    while (patients.step()) {
        const std::string first = patients.text(1), last = patients.text(2);
        names.push_back({patients.integer(0), sortName(first, last)});
        // A date another program stored unreadably only goes without its key.
        DateTime dob(std::nan(""));
        DateTime::fromIso(patients.text(3), dob);
        keys.push_back(keysOf(first, last, dob, patients.text(4)));
    }
    std::vector<WordRow> rows;
    for (size_t i = 0; i < names.size(); ++i)
        for (const auto& [word, kind] : keys[i])
            rows.push_back({&word, kind, names[i].patientId});
    insertWords(db, rows);
    insertNames(db, names);
    db.prepare(("PRAGMA user_version = " + std::to_string(fileVersion)).c_str()).run();
}
