#include "store/FileAuditTrail.h"

#include "store/AuditChain.h"
#include "store/Session.h"
#include "store/SqliteConnection.h"

#include <nlohmann/json.hpp>
#include <sodium.h>
#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

const char* FileAuditTrail::accessView = "medora_access";

namespace {

// The functions the connection's own triggers call to enter a change or an access.
const char* const kEnterChange = "medora_audit_change";
const char* const kEnterAccess = "medora_audit_access";

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

std::string actingUser() {
    if (const auto user = Session::user())
        return user->name;
    const passwd* account = getpwuid(geteuid());
    return account != nullptr ? account->pw_name : std::to_string(geteuid());
}

std::string deskName() {
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The time to the millisecond as SQLite's strftime writes it, in UTC ending in "Z", and the
// same moment in local time.
std::pair<std::string, std::string> timesNow() {
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto written = [&now](const tm& parts, const char* end) {
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%s",
                      parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                      parts.tm_min, parts.tm_sec, int(now.tv_nsec / 1000000), end);
        return std::string(text);
    };
    tm parts {};
    const std::string utc = written(*gmtime_r(&now.tv_sec, &parts), "Z");
    return {utc, written(*localtime_r(&now.tv_sec, &parts), "")};
}

std::string textOf(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text != nullptr ? std::string(text, size_t(sqlite3_value_bytes(value))) : std::string();
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

// What a table's triggers give of each row: the rowid of a table without a key of its own,
// then its columns, named as the schema names them. Found once for the process: the trail is
// kept only on files at the current step.
const std::vector<std::string>& auditedColumns(sqlite3* db, size_t table) {
    static std::mutex guard;
    static std::map<size_t, std::vector<std::string>> found;
    const std::lock_guard lock(guard);
    if (const auto known = found.find(table); known != found.end())
        return known->second;
    std::vector<std::string> columns;
    if (std::string(kAudited[table].key) == "rowid")
        columns.emplace_back("rowid");
    for (std::string& column : columnsOf(db, kAudited[table].table))
        columns.push_back(std::move(column));
    return found[table] = columns;
}

// The row as JSON, by the schema's names of its columns, in their order.
std::string rowAsJson(const std::vector<std::string>& columns, sqlite3_value** values) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    for (size_t i = 0; i < columns.size(); ++i) {
        sqlite3_value* value = values[i];
        switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            row[columns[i]] = sqlite3_value_int64(value);
            break;
        case SQLITE_FLOAT:
            row[columns[i]] = sqlite3_value_double(value);
            break;
        case SQLITE_NULL:
            row[columns[i]] = nullptr;
            break;
        case SQLITE_BLOB:
            throw std::invalid_argument("JSON cannot hold BLOB values");
        default:
            row[columns[i]] = textOf(value);
        }
    }
    return row.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// A table's trigger for one change: one call that gives the change, the row's key and
// patient, and the row as it was before an update or delete, or as it is after an insert.
std::string trigger(sqlite3* db, size_t table, const char* action, const char* event) {
    const Audited& audited = kAudited[table];
    const std::string row = std::string(action) == "insert" ? "NEW." : "OLD.";
    std::string call = std::string(kEnterChange) + "(" + std::to_string(table) + ", '" + action +
                       "', " + row + audited.key + ", " +
                       (*audited.patient ? row + audited.patient : "NULL");
    for (const std::string& column : auditedColumns(db, table))
        call += ", " + row + column;
    return std::string("CREATE TEMP TRIGGER medora_audit_") + audited.table + "_" + action +
           " AFTER " + event + " ON main." + audited.table + " BEGIN SELECT " + call + "); END";
}

// Access to the records, which the store enters by inserting into this view: only the words
// of an access, never those of a change.
std::string accessViewStatements() {
    return "CREATE TEMP VIEW medora_access AS SELECT action, table_name, record_id, patient_id,"
           " details FROM main.audit_trail WHERE 0;\n"
           "CREATE TEMP TRIGGER medora_access INSTEAD OF INSERT ON medora_access BEGIN"
           " SELECT RAISE(ABORT, 'not an access to the records')"
           " WHERE NEW.action IS NULL OR NEW.action IN ('insert', 'update', 'delete');"
           " SELECT " + std::string(kEnterAccess) +
           "(NEW.action, coalesce(NEW.table_name, ''), coalesce(NEW.record_id, ''),"
           " NEW.patient_id, coalesce(NEW.details, '{}')); END;";
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
const std::string& triggerOf(sqlite3* db, size_t table, const Event& event) {
    static std::mutex guard;
    static std::map<std::string, std::string> made;
    const std::lock_guard lock(guard);
    const std::string name = std::string(kAudited[table].table) + "_" + event.action;
    if (const auto found = made.find(name); found != made.end())
        return found->second;
    return made[name] = trigger(db, table, event.action, event.statement);
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
    if (sqlite3_create_function(db, kEnterChange, -1, kind, this, enterChange, nullptr,
                                nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, kEnterAccess, 5, kind, this, enterAccess, nullptr, nullptr) !=
            SQLITE_OK)
        SqliteConnection::fail(db);
}

FileAuditTrail::~FileAuditTrail() {
    sqlite3_finalize(m_lastHash);
    sqlite3_finalize(m_insert);
}

// Called as (table, action, key, patient, the row's values in the order of auditedColumns).
void FileAuditTrail::enterChange(sqlite3_context* context, int count, sqlite3_value** values) {
    auto* trail = static_cast<FileAuditTrail*>(sqlite3_user_data(context));
    const auto table = size_t(sqlite3_value_int64(values[0]));
    if (table >= std::size(kAudited) ||
        size_t(count) != 4 + auditedColumns(trail->m_db, table).size()) {
        sqlite3_result_error(context, "an audit trigger gave a row of another shape", -1);
        return;
    }
    try {
        AuditEntry entry;
        entry.action = textOf(values[1]);
        entry.table = kAudited[table].table;
        entry.record = textOf(values[2]);
        entry.details = rowAsJson(auditedColumns(trail->m_db, table), values + 4);
        trail->enter(context, entry, values[3]);
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

// Called as (action, table, record, patient, details).
void FileAuditTrail::enterAccess(sqlite3_context* context, int, sqlite3_value** values) {
    try {
        AuditEntry entry;
        entry.action = textOf(values[0]);
        entry.table = textOf(values[1]);
        entry.record = textOf(values[2]);
        entry.details = textOf(values[4]);
        static_cast<FileAuditTrail*>(sqlite3_user_data(context))->enter(context, entry, values[3]);
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

// The failure of a statement of the trail fails the change it records, as that kind of
// failure: a full disk is still a full disk.
void FileAuditTrail::fail(sqlite3_context* context) const {
    sqlite3_result_error(context, sqlite3_errmsg(m_db), -1);
    sqlite3_result_error_code(context, sqlite3_extended_errcode(m_db));
}

void FileAuditTrail::enter(sqlite3_context* context, AuditEntry& entry, sqlite3_value* patient) {
    const auto prepared = [this](sqlite3_stmt*& statement, const char* sql) {
        if (statement == nullptr &&
            sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
                SQLITE_OK)
            return false;
        return true;
    };
    if (!prepared(m_lastHash, "SELECT hash FROM main.audit_trail ORDER BY entry_id DESC LIMIT 1") ||
        !prepared(m_insert, "INSERT INTO main.audit_trail (time_utc, time_local, user_name, desk,"
                            " action, table_name, record_id, patient_id, details, previous_hash,"
                            " hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")) {
        fail(context);
        return;
    }
    const int found = sqlite3_step(m_lastHash);
    entry.previousHash = found == SQLITE_ROW ? textOf(sqlite3_column_value(m_lastHash, 0))
                                             : AuditChain::kFirstPrevious;
    sqlite3_reset(m_lastHash);
    if (found != SQLITE_ROW && found != SQLITE_DONE) {
        fail(context);
        return;
    }
    std::tie(entry.timeUtc, entry.timeLocal) = timesNow();
    entry.user = actingUser();
    static const std::string desk = deskName();
    entry.desk = desk;
    entry.patient = textOf(patient);
    entry.hash = AuditChain::hashOf(entry);
    int column = 0;
    for (const std::string* field : {&entry.timeUtc, &entry.timeLocal, &entry.user, &entry.desk,
                                     &entry.action, &entry.table, &entry.record})
        sqlite3_bind_text(m_insert, ++column, field->data(), int(field->size()), SQLITE_STATIC);
    sqlite3_bind_value(m_insert, ++column, patient);
    for (const std::string* field : {&entry.details, &entry.previousHash, &entry.hash})
        sqlite3_bind_text(m_insert, ++column, field->data(), int(field->size()), SQLITE_STATIC);
    const int entered = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    if (entered != SQLITE_DONE)
        fail(context);
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
        for (size_t table = 0; table < std::size(kAudited); ++table) {
            const char* named = kAudited[table].table;
            const std::string name = std::string(named) + "_" + event.action;
            if (!m_made.count(name) && names(lowered, named) && holds(m_db, named))
                make(name, triggerOf(m_db, table, event) + ";");
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
