#include "records/UnreadablePatients.h"

#include "records/MedoraTables.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <set>

namespace {

using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;
using Found = std::map<long long, UnreadablePatient>;

constexpr const char* kPatients = "patient_info";

// A statement that fails to prepare gives no rows: what cannot be read names nobody.
Query prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    return Query(statement, &sqlite3_finalize);
}

// The rows of a statement with two keys bound, each row's first two columns; as many as
// could be read.
std::vector<std::pair<long long, long long>> pairs(sqlite3* db, const std::string& sql,
                                                   long long first, long long last) {
    std::vector<std::pair<long long, long long>> rows;
    const Query query = prepare(db, sql);
    if (!query)
        return rows;
    sqlite3_bind_int64(query.get(), 1, first);
    sqlite3_bind_int64(query.get(), 2, last);
    while (sqlite3_step(query.get()) == SQLITE_ROW)
        rows.emplace_back(sqlite3_column_int64(query.get(), 0),
                          sqlite3_column_int64(query.get(), 1));
    return rows;
}

bool holds(sqlite3* db, const std::string& table, long long rowid) {
    const Query query = prepare(db, "SELECT 1 FROM " + table + " WHERE rowid = ?1");
    if (!query)
        return false;
    sqlite3_bind_int64(query.get(), 1, rowid);
    return sqlite3_step(query.get()) == SQLITE_ROW;
}

std::string text(sqlite3* db, const std::string& sql, long long id) {
    const Query query = prepare(db, sql);
    if (!query)
        return {};
    sqlite3_bind_int64(query.get(), 1, id);
    if (sqlite3_step(query.get()) != SQLITE_ROW)
        return {};
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0));
    return value ? value : "";
}

bool hasPatientColumn(const MedoraTable& table) {
    return std::any_of(table.columns.begin(), table.columns.end(),
                       [](const MedoraColumn& column) { return column.name == "patient_ID"; });
}

void note(Found& found, long long patient, const std::string& table) {
    UnreadablePatient& entry = found[patient];
    entry.id = patient;
    if (std::find(entry.tables.begin(), entry.tables.end(), table) == entry.tables.end())
        entry.tables.push_back(table);
}

// Patients whose own row is not among the rescued ones: named by the damaged file's search
// keys in a lost stretch, or by the rescued rows of other tables.
void lostPatientRows(sqlite3* damaged, sqlite3* rescued, const UnreadablePatients::Stretches& lost,
                     Found& found) {
    std::set<long long> named;
    if (const auto stretches = lost.find(kPatients); stretches != lost.end())
        for (const auto& [first, last] : stretches->second)
            for (const auto& [patient, unused] :
                 pairs(damaged,
                       "SELECT DISTINCT patient_ID, 0 FROM search_words"
                       " WHERE patient_ID BETWEEN ?1 AND ?2",
                       first, last))
                named.insert(patient);
    for (const MedoraTable& table : MedoraTables::all())
        if (!table.derived && hasPatientColumn(table))
            for (const auto& [patient, unused] :
                 pairs(rescued,
                       "SELECT DISTINCT patient_ID, 0 FROM " + table.name +
                           " WHERE patient_ID BETWEEN ?1 AND ?2",
                       0, std::numeric_limits<long long>::max()))
                named.insert(patient);
    for (const long long patient : named)
        if (!holds(rescued, kPatients, patient))
            note(found, patient, kPatients);
}

// Patients whose rows of other tables lay in stretches that could not be read, as each
// table's index by patient, read in place of the table, tells.
void lostOtherRows(sqlite3* damaged, sqlite3* rescued, const UnreadablePatients::Stretches& lost,
                   Found& found) {
    for (const MedoraTable& table : MedoraTables::all()) {
        const auto stretches = lost.find(table.name);
        if (table.derived || table.name == kPatients || !hasPatientColumn(table) ||
            stretches == lost.end())
            continue;
        // The unary + keeps the engine from reading the table by its keys.
        const std::string sql = "SELECT patient_ID, rowid FROM " + table.name +
                                " WHERE patient_ID >= -9223372036854775807 - 1"
                                " AND +rowid BETWEEN ?1 AND ?2";
        for (const auto& [first, last] : stretches->second)
            for (const auto& [patient, rowid] : pairs(damaged, sql, first, last))
                if (!holds(rescued, table.name, rowid))
                    note(found, patient, table.name);
    }
}

// The search keeps a name folded, last name first: "lee\x01ann" for Ann Lee.
std::string fromSortName(const std::string& sortName) {
    const size_t split = sortName.find('\x01');
    if (split == std::string::npos)
        return sortName;
    return sortName.substr(split + 1) + " " + sortName.substr(0, split);
}

} // namespace

std::vector<UnreadablePatient> UnreadablePatients::find(sqlite3* damaged, sqlite3* rescued,
                                                        const Stretches& lost) {
    Found found;
    lostPatientRows(damaged, rescued, lost, found);
    lostOtherRows(damaged, rescued, lost, found);
    std::vector<UnreadablePatient> patients;
    for (auto& [id, patient] : found) {
        patient.name = text(rescued,
                            "SELECT first_name || ' ' || last_name FROM patient_info WHERE ID = ?1",
                            id);
        if (patient.name.empty())
            patient.name = fromSortName(
                text(damaged, "SELECT sort_name FROM search_words WHERE patient_ID = ?1", id));
        patients.push_back(std::move(patient));
    }
    return patients;
}
