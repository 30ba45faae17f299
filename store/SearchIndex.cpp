#include "store/SearchIndex.h"

#include "store/Database.h"
#include "store/SearchKey.h"
#include "store/SearchQuery.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

using Key = std::pair<std::string, SearchKind>;

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

// A row's place in the table's key: kind, word, patient.
std::tuple<const SearchKind&, const std::string&, const long long&> rowKey(const WordRow& row)
{
    return std::tie(row.key->second, row.key->first, row.patient->patientId);
}

std::vector<WordRow> sortedRows(const std::vector<PatientKeys>& patients)
{
    std::vector<WordRow> rows;
    for (const PatientKeys& patient : patients)
        for (const Key& key : patient.keys)
            rows.push_back({&patient, &key});
    std::sort(rows.begin(), rows.end(),
              [](const WordRow& a, const WordRow& b) { return rowKey(a) < rowKey(b); });
    return rows;
}

// In the order of the table's key, each row lands beside the one before it.
void insertKeys(Database& db, const std::vector<PatientKeys>& patients)
{
    insertRows(db, sortedRows(patients));
}

std::vector<PatientKeys> everyPatientsKeys(Database& db)
{
    std::vector<PatientKeys> patients;
    Statement rows = db.prepare(
        "SELECT ID, first_name, last_name, DOB, telephone FROM patient_info ORDER BY ID");
    while (rows.step()) {
        // A date another program stored unreadably only goes without its key.
        DateTime dob(std::nan(""));
        DateTime::fromIso(rows.text(3), dob);
        patients.push_back(SearchIndex::keysOf(rows.integer(0), rows.text(1), rows.text(2), dob,
                                               rows.text(4)));
    }
    return patients;
}

// A digest of a set of rows that is the same in whatever order they come: each row's hash,
// keyed afresh in each process so that no row can be made to match another, added up.
class RowDigest
{
public:
    void add(SearchKind kind, const std::string& word, long long patientId,
             const std::string& sortName)
    {
        std::uint64_t hash = s_key;
        hash = bytes(hash, word);
        hash = mixed(hash ^ static_cast<std::uint64_t>(kind));
        hash = mixed(hash ^ static_cast<std::uint64_t>(patientId));
        m_sum += bytes(hash, sortName);
    }
    std::uint64_t sum() const { return m_sum; }

private:
    static std::uint64_t mixed(std::uint64_t value)
    {
        value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
        value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
        return value ^ (value >> 31);
    }
    static std::uint64_t bytes(std::uint64_t hash, const std::string& text)
    {
        for (const unsigned char byte : text)
            hash = (hash ^ byte) * 0x100000001b3ULL;
        return mixed(hash ^ text.size());
    }

    static inline const std::uint64_t s_key = [] {
        std::random_device random;
        return std::uint64_t(random()) << 32 | random();
    }();
    std::uint64_t m_sum = 0;
};

// Whether the file holds exactly the keys its patients give, told without ordering either.
bool keysMatch(Database& db, const std::vector<PatientKeys>& patients)
{
    RowDigest made;
    for (const PatientKeys& patient : patients)
        for (const Key& key : patient.keys)
            made.add(key.second, key.first, patient.patientId, patient.sortName);
    RowDigest stored;
    Statement rows = db.prepare("SELECT kind, word, patient_ID, sort_name FROM search_words");
    while (rows.step())
        stored.add(static_cast<SearchKind>(rows.integer(0)), rows.text(1), rows.integer(2),
                   rows.text(3));
    return made.sum() == stored.sum();
}

// The keys of the patients named stale go, and those of the ones still there are made again.
// Many stale ones are done as a whole: the table emptied and filled in key order.
void replaceKeys(Database& db, const std::vector<PatientKeys>& patients,
                 const std::set<long long>& stale)
{
    if (stale.size() > patients.size() / 4) {
        db.prepare("DELETE FROM search_words").run();
        insertKeys(db, patients);
        return;
    }
    std::string ids;
    for (const long long id : stale)
        ids += (ids.empty() ? "[" : ",") + std::to_string(id);
    db.prepare("DELETE FROM search_words WHERE patient_ID IN (SELECT value FROM json_each(?))")
        .bind(1, ids + "]")
        .run();
    std::vector<PatientKeys> remade;
    for (const PatientKeys& patient : patients)
        if (stale.count(patient.patientId) != 0)
            remade.push_back(patient);
    insertKeys(db, remade);
}

} // namespace

SearchIndex::PatientKeys SearchIndex::keysOf(long long patientId, const std::string& firstName,
                                             const std::string& lastName, DateTime dob,
                                             const std::string& telephone)
{
    // The separator sorts below every letter, so "Lee, Ann" comes before "Leeds, Ann".
    PatientKeys made{patientId, SearchKey::folded(lastName) + '\x01' + SearchKey::folded(firstName),
                     {}};
    // A name written with an apostrophe or a hyphen is found by its parts and as one word.
    for (const auto& [name, kind] :
         {std::pair{&firstName, SearchKind::FirstName}, {&lastName, SearchKind::LastName}})
        for (const auto& words : {SearchKey::words(*name), SearchKey::joinedWords(*name)})
            for (const std::string& word : words)
                made.keys.emplace(word, kind);
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

void SearchIndex::remakeFile(Database& db)
{
    db.prepare("DELETE FROM search_words").run();
    insertKeys(db, everyPatientsKeys(db));
}

// Keys that match their patients, as they nearly always do, are told by a digest of each side.
// Otherwise the keys the file holds, read in the order of the table's key, are set against
// those its patients give, in the same order: one pass over each. Every patient with a key too
// many, too few or of another sort name gets all its keys again.
void SearchIndex::repairFile(Database& db)
{
    const std::vector<PatientKeys> patients = everyPatientsKeys(db);
    if (keysMatch(db, patients))
        return;
    const std::vector<WordRow> made = sortedRows(patients);
    std::set<long long> stale;
    size_t next = 0;
    Statement stored =
        db.prepare("SELECT kind, word, patient_ID, sort_name FROM search_words"
                   " ORDER BY kind, word, patient_ID");
    while (stored.step()) {
        const auto kind = static_cast<SearchKind>(stored.integer(0));
        const std::string word = stored.text(1);
        const long long patientId = stored.integer(2);
        const auto key = std::tie(kind, word, patientId);
        for (; next < made.size() && rowKey(made[next]) < key; ++next)
            stale.insert(made[next].patient->patientId);
        if (next < made.size() && rowKey(made[next]) == key) {
            if (made[next].patient->sortName != stored.text(3))
                stale.insert(patientId);
            ++next;
        } else {
            stale.insert(patientId);
        }
    }
    for (; next < made.size(); ++next)
        stale.insert(made[next].patient->patientId);
    if (!stale.empty())
        replaceKeys(db, patients, stale);
}
