#include "store/FileAuditTrail.h"

#include "store/Session.h"
#include "store/SqliteConnection.h"

#include <sodium.h>
#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

const char* FileAuditTrail::userFunction = "medora_audit_user";
const char* FileAuditTrail::deskFunction = "medora_audit_desk";
const char* FileAuditTrail::hashFunction = "medora_sha256";
const char* FileAuditTrail::accessView = "medora_access";

namespace {

// A table of records with the column that names its row and the one that names its patient.
struct Audited {
    const char* table;
    const char* key;
    const char* patient; // empty when its rows belong to no patient
};

const Audited kAudited[] = {
    {"patient_info", "ID", "ID"},
    {"complaints", "compl_ID", "patient_ID"},
    {"history_entries", "entry_ID", "patient_ID"},
    {"patient_medications", "medication_ID", "patient_ID"},
    {"tests", "test_ID", "patient_ID"},
    {"meds_list", "rowid", ""},
    {"tests_list", "rowid", ""},
    {"clinic_info", "info_ID", ""},
};

void result(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
}

void actingUser(sqlite3_context* context, int, sqlite3_value**) {
    if (const auto user = Session::user()) {
        result(context, user->name);
        return;
    }
    const passwd* account = getpwuid(geteuid());
    result(context, account != nullptr ? account->pw_name : std::to_string(geteuid()));
}

void deskName(sqlite3_context* context, int, sqlite3_value**) {
    char name[HOST_NAME_MAX + 1] = {};
    result(context, gethostname(name, sizeof name - 1) == 0 ? name : "");
}

void sha256(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = sqlite3_value_text(values[0]);
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, bytes, size_t(sqlite3_value_bytes(values[0])));
    char hex[2 * crypto_hash_sha256_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    result(context, hex);
}

std::vector<std::string> columnsOf(sqlite3* db, const char* table) {
    sqlite3_stmt* statement = nullptr;
    std::vector<std::string> columns;
    if (sqlite3_prepare_v2(db, "SELECT name FROM main.pragma_table_info(?) ORDER BY cid", -1,
                           &statement, nullptr) != SQLITE_OK)
        SqliteConnection::fail(db);
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    while (sqlite3_step(statement) == SQLITE_ROW)
        columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return columns;
}

// The text as one field of the chain's form: no line break of its own, and a backslash only
// as the start of an escape.
std::string escaped(const std::string& field) {
    return "replace(replace(" + field + ", '\\', '\\\\'), char(10), '\\n')";
}

// The row as JSON, by the schema's names of its columns.
std::string rowAsJson(sqlite3* db, const Audited& audited, const char* row) {
    std::string pairs;
    if (std::string(audited.key) == "rowid")
        pairs = std::string("'rowid', ") + row + ".rowid";
    for (const std::string& column : columnsOf(db, audited.table))
        pairs += (pairs.empty() ? "'" : ", '") + column + "', " + row + "." + column;
    return "json_object(" + pairs + ")";
}

// What one entry says, as SQL expressions over the trigger's row.
struct EntryFields {
    std::string action;
    std::string table;
    std::string record;
    std::string patient;
    std::string details;
};

// The statement that enters one entry at the end of the chain, hashed in the form
// records/AuditChain reads back: the hash before it, then each field escaped, each followed by
// a line break.
std::string entryInsert(const EntryFields& fields) {
    std::string canonical = "e.previous_hash || char(10)";
    for (const char* field : {"e.time_utc", "e.time_local", "e.user_name", "e.desk", "e.action",
                              "e.table_name", "e.record_id", "coalesce(e.patient_id, '')",
                              "e.details"})
        canonical += " || " + escaped(field) + " || char(10)";
    return std::string("INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action,"
                       " table_name, record_id, patient_id, details, previous_hash, hash)"
                       " SELECT e.*, ") +
           FileAuditTrail::hashFunction + "(" + canonical + ") FROM (SELECT"
           " strftime('%Y-%m-%dT%H:%M:%fZ', 'now') AS time_utc,"
           " strftime('%Y-%m-%dT%H:%M:%f', 'now', 'localtime') AS time_local, " +
           FileAuditTrail::userFunction + "() AS user_name, " + FileAuditTrail::deskFunction +
           "() AS desk, " + fields.action + " AS action, " + fields.table + " AS table_name, " +
           fields.record + " AS record_id, " + fields.patient + " AS patient_id, " +
           fields.details + " AS details, coalesce((SELECT hash FROM main.audit_trail ORDER BY"
           " entry_id DESC LIMIT 1), '" + std::string(64, '0') + "') AS previous_hash) AS e;";
}

std::string trigger(sqlite3* db, const Audited& audited, const char* action, const char* event) {
    const std::string row = std::string(action) == "insert" ? "NEW" : "OLD";
    const std::string patient = *audited.patient ? row + "." + audited.patient : "NULL";
    return std::string("CREATE TEMP TRIGGER medora_audit_") + audited.table + "_" + action +
           " AFTER " + event + " ON main." + audited.table + " BEGIN " +
           entryInsert({std::string("'") + action + "'", std::string("'") + audited.table + "'",
                        "CAST(" + row + "." + audited.key + " AS TEXT)", patient,
                        rowAsJson(db, audited, row.c_str())}) +
           " END";
}

// Access to the records, which the store enters by inserting into this view: only the words
// of an access, never those of a change.
std::string accessViewStatements() {
    return "CREATE TEMP VIEW medora_access AS SELECT action, table_name, record_id, patient_id,"
           " details FROM main.audit_trail WHERE 0;\n"
           "CREATE TEMP TRIGGER medora_access INSTEAD OF INSERT ON medora_access BEGIN"
           " SELECT RAISE(ABORT, 'not an access to the records')"
           " WHERE NEW.action IS NULL OR NEW.action IN ('insert', 'update', 'delete'); " +
           entryInsert({"NEW.action", "coalesce(NEW.table_name, '')",
                        "coalesce(NEW.record_id, '')", "NEW.patient_id",
                        "coalesce(NEW.details, '{}')"}) +
           " END;";
}

// A table the file lacks fails the operations that use it, and only them.
bool holds(sqlite3* db, const char* table) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM main.sqlite_schema WHERE type = 'table' AND name = ?",
                           -1, &statement, nullptr) != SQLITE_OK)
        SqliteConnection::fail(db);
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    const bool held = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return held;
}

// A change a trigger answers, and the word that every statement making it holds.
struct Event {
    const char* action;
    const char* statement;
    const char* word;
};

const Event kEvents[] = {
    {"insert", "INSERT", "insert"}, {"update", "UPDATE", "update"}, {"delete", "DELETE", "delete"}};

// A table's trigger for one change, made once for the process: its columns are those of the
// current step.
const std::string& triggerOf(sqlite3* db, const Audited& audited, const Event& event) {
    static std::mutex guard;
    static std::map<std::string, std::string> made;
    const std::lock_guard lock(guard);
    const std::string name = std::string(audited.table) + "_" + event.action;
    if (const auto found = made.find(name); found != made.end())
        return found->second;
    return made[name] = trigger(db, audited, event.action, event.statement);
}

// Whether the statement holds the name or word: not merely a name that holds it ("tests" in
// "tests_list").
bool names(const std::string& sql, const std::string& table) {
    const auto partOfName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    for (size_t at = sql.find(table); at != std::string::npos; at = sql.find(table, at + 1))
        if ((at == 0 || !partOfName(sql[at - 1])) &&
            (at + table.size() == sql.size() || !partOfName(sql[at + table.size()])))
            return true;
    return false;
}

} // namespace

FileAuditTrail::FileAuditTrail(sqlite3* db) : m_db(db) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    // Direct only: no view or trigger a file might bring calls them, only the connection's own.
    const int kind = SQLITE_UTF8 | SQLITE_DIRECTONLY;
    if (sqlite3_create_function(db, userFunction, 0, kind, nullptr, actingUser, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, deskFunction, 0, kind, nullptr, deskName, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function(db, hashFunction, 1, kind | SQLITE_DETERMINISTIC, nullptr, sha256,
                                nullptr, nullptr) != SQLITE_OK)
        SqliteConnection::fail(db);
}

// Making a trigger costs more than most changes it records, so a statement gets only those of
// the changes it can make: a statement without the word INSERT cannot insert, and one that
// replaces rows may make any of the three.
void FileAuditTrail::prepareFor(const char* sql) {
    if (m_made.size() == std::size(kAudited) * std::size(kEvents) + 1)
        return;
    std::string lowered(sql);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const bool replaces = names(lowered, "replace");
    for (const Event& event : kEvents) {
        if (!replaces && !names(lowered, event.word))
            continue;
        for (const Audited& audited : kAudited) {
            const std::string name = std::string(audited.table) + "_" + event.action;
            if (!m_made.count(name) && names(lowered, audited.table) && holds(m_db, audited.table))
                make(name, triggerOf(m_db, audited, event) + ";");
        }
    }
    if (!m_made.count(accessView) && names(lowered, accessView) && holds(m_db, "audit_trail")) {
        static const std::string access = accessViewStatements();
        make(accessView, access);
    }
}

void FileAuditTrail::make(const std::string& name, const std::string& statements) {
    if (sqlite3_exec(m_db, statements.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        SqliteConnection::fail(m_db);
    m_made.insert(name);
}
