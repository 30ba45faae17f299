#include "store/SearchIndex.h"

#include "store/Database.h"
#include "store/SearchKey.h"
#include "store/SearchQuery.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

using Key = std::pair<std::string, SearchKind>;

// The table and its index as schema.sql makes them, for files made before them. The index
// is made once the keys are in: in one go, it takes a fraction of the time of keeping it
// row by row.
const char* const kFileTable = "CREATE TABLE search_words (\n"
                               "    word       TEXT NOT NULL,\n"
                               "    kind       INTEGER NOT NULL,\n"
                               "    patient_ID INTEGER NOT NULL,\n"
                               "    sort_name  TEXT NOT NULL,\n"
                               "    PRIMARY KEY (kind, word, patient_ID)\n"
                               ") STRICT, WITHOUT ROWID";
const char* const kFileIndex =
    "CREATE INDEX search_words_patient ON search_words (patient_ID)";

// Rows per INSERT while a whole file's keys are made: few statements, far below the
// engines' limits on parameters.
constexpr size_t kRowsPerInsert = 200;

using PatientKeys = SearchIndex::PatientKeys;

struct WordRow
{
    const PatientKeys* patient;
    const Key* key;
};

void insertRows(Database& db, const std::vector<WordRow>& rows)
{
    for (size_t from = 0; from < rows.size(); from += kRowsPerInsert) {
        const size_t count = std::min(kRowsPerInsert, rows.size() - from);
        std::string sql =
            "INSERT INTO search_words (word, kind, patient_ID, sort_name) VALUES (?, ?, ?, ?)";
        for (size_t i = 1; i < count; ++i)
            sql += ", (?, ?, ?, ?)";
        Statement insert = db.prepare(sql.c_str());
        for (size_t i = 0; i < count; ++i) {
            const WordRow& row = rows[from + i];
            const int at = static_cast<int>(4 * i);
            insert.bind(at + 1, row.key->first).bind(at + 2, static_cast<int>(row.key->second));
            insert.bind(at + 3, row.patient->patientId).bind(at + 4, row.patient->sortName);
        }
        insert.run();
    }
}

void insertKeys(Database& db, const std::vector<PatientKeys>& patients)
{
    std::vector<WordRow> rows;
    for (const PatientKeys& patient : patients)
        for (const Key& key : patient.keys)
            rows.push_back({&patient, &key});
    // In the order of the table's key, each row lands beside the one before it.
    std::sort(rows.begin(), rows.end(), [](const WordRow& a, const WordRow& b) {
        return std::tie(a.key->second, a.key->first, a.patient->patientId) <
               std::tie(b.key->second, b.key->first, b.patient->patientId);
    });
    insertRows(db, rows);
}

} // namespace

SearchIndex::PatientKeys SearchIndex::keysOf(long long patientId, const std::string& firstName,
                                             const std::string& lastName, DateTime dob,
                                             const std::string& telephone)
{
    // The separator sorts below every letter, so "Lee, Ann" comes before "Leeds, Ann".
    PatientKeys made{patientId, SearchKey::folded(lastName) + '\x01' + SearchKey::folded(firstName),
                     {}};
    for (std::string& word : SearchKey::words(firstName))
        made.keys.emplace(std::move(word), SearchKind::FirstName);
    for (std::string& word : SearchKey::words(lastName))
        made.keys.emplace(std::move(word), SearchKind::LastName);
    for (std::string& tail : SearchKey::phoneTails(telephone))
        made.keys.emplace(std::move(tail), SearchKind::Phone);
    DateTime::Civil civil;
    if (dob.toCivil(civil))
        made.keys.emplace(SearchKey::date(civil.year, civil.month, civil.day),
                          SearchKind::BirthDate);
    return made;
}

// A new patient's keys are written without first looking for old ones: on the server, that
// look would tie the operation to every other desk adding a patient at the same moment.
void SearchIndex::add(Database& db, long long patientId, const std::string& firstName,
                      const std::string& lastName, DateTime dob, const std::string& telephone)
{
    insertKeys(db, {keysOf(patientId, firstName, lastName, dob, telephone)});
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
}

void SearchIndex::upgradeFile(Database& db)
{
    db.prepare("DROP TABLE IF EXISTS search_words").run();
    db.prepare(kFileTable).run();
    std::vector<PatientKeys> patients;
    Statement rows = db.prepare(
        "SELECT ID, first_name, last_name, DOB, telephone FROM patient_info ORDER BY ID");
    while (rows.step()) {
        // A date another program stored unreadably only goes without its key.
        DateTime dob(std::nan(""));
        DateTime::fromIso(rows.text(3), dob);
        patients.push_back(
            keysOf(rows.integer(0), rows.text(1), rows.text(2), dob, rows.text(4)));
    }
    insertKeys(db, patients);
    db.prepare(kFileIndex).run();
}
