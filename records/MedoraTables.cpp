#include "records/MedoraTables.h"

#include "records/RecordsSchema.h"
#include "store/RecordsIdentity.h"
#include "store/SearchIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <regex>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

Query prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return Query(statement, &sqlite3_finalize);
}

std::string text(sqlite3_stmt* statement, int column) {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? value : "";
}

// What the user calls each table's rows; a table missing here goes by its name.
void giveWords(MedoraTable& table) {
    static const std::map<std::string, std::pair<std::string, std::string>> words = {
        {"patient_info", {"Patient", "patients"}},
        {"complaints", {"Visit", "visits"}},
        {"history_entries", {"History entry", "history entries"}},
        {"patient_medications", {"Medication", "medications"}},
        {"meds_list", {"Medication name", "medication names"}},
        {"tests", {"Test", "tests"}},
        {"tests_list", {"Test type", "test types"}},
        {"clinic_info", {"Clinic details", "clinic details"}},
        {"search_words", {"Search key", "search keys"}},
        {"records_identity", {"Records identity", "records' identity"}},
        {"users", {"User", "users"}},
        {"clinic_settings", {"Clinic settings", "clinic settings"}},
        {"audit_trail", {"Audit entry", "audit trail"}},
    };
    const auto found = words.find(table.name);
    table.row = found == words.end() ? table.name : found->second.first;
    table.rows = found == words.end() ? table.name : found->second.second;
}

// Whether the table's statement holds the column to the pattern of a date by a CHECK.
bool isDate(const std::string& sql, const std::string& column) {
    const std::regex check("(^|[(,])\\s*" + column + "\\s+TEXT\\b[^,]*CHECK\\s*\\(\\s*" + column +
                           "\\s+GLOB\\b");
    return std::regex_search(sql, check);
}

bool readColumns(sqlite3* db, MedoraTable& table, const std::string& sql) {
    const Query columns =
        prepare(db, "SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid");
    if (!columns)
        return false;
    sqlite3_bind_text(columns.get(), 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
    int keys = 0;
    std::string key;
    while (sqlite3_step(columns.get()) == SQLITE_ROW) {
        const bool integer = text(columns.get(), 1) == "INTEGER";
        const std::string name = text(columns.get(), 0);
        table.columns.push_back({name, integer, !integer && isDate(sql, name)});
        if (sqlite3_column_int(columns.get(), 2) > 0) {
            ++keys;
            key = integer ? table.columns.back().name : "";
        }
    }
    // Only a single INTEGER PRIMARY KEY stands for the rowid.
    table.key = keys == 1 ? key : "";
    return !table.columns.empty();
}

std::vector<MedoraTable> readTables() {
    sqlite3* opened = nullptr;
    sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE, nullptr);
    const Connection db(opened, &sqlite3_close_v2);
    if (!db || sqlite3_exec(db.get(), kRecordsSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
        return {};
    const Query tables =
        prepare(db.get(), "SELECT name, sql LIKE '%AUTOINCREMENT%', sql, rootpage FROM sqlite_schema"
                          " WHERE type = 'table' AND name NOT LIKE 'sqlite%'"
                          " ORDER BY rowid");
    std::vector<MedoraTable> made;
    while (tables && sqlite3_step(tables.get()) == SQLITE_ROW) {
        MedoraTable table;
        table.name = text(tables.get(), 0);
        table.autoincrement = sqlite3_column_int(tables.get(), 1) != 0;
        table.derived = table.name == SearchIndex::table;
        table.root = sqlite3_column_int64(tables.get(), 3);
        table.identity = table.name == RecordsIdentity::table;
        table.fileOnly = table.name == "users";
        table.trail = table.name == "audit_trail";
        if (!readColumns(db.get(), table, text(tables.get(), 2)))
            return {};
        giveWords(table);
        made.push_back(std::move(table));
    }
    return made;
}

} // namespace

const std::vector<MedoraTable>& MedoraTables::all() {
    static const std::vector<MedoraTable> tables = readTables();
    return tables;
}

const std::vector<MedoraTable>& MedoraTables::onServer() {
    static const std::vector<MedoraTable> tables = [] {
        std::vector<MedoraTable> held;
        std::copy_if(all().begin(), all().end(), std::back_inserter(held),
                     [](const MedoraTable& table) { return !table.fileOnly; });
        return held;
    }();
    return tables;
}

const MedoraTable* MedoraTables::find(const std::string& name) {
    const auto& tables = all();
    const auto found = std::find_if(tables.begin(), tables.end(),
                                    [&](const MedoraTable& table) { return table.name == name; });
    return found == tables.end() ? nullptr : &*found;
}
