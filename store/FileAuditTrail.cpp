#include "store/FileAuditTrail.h"

#include "store/AccessTrail.h"
#include "store/AuditChain.h"
#include "store/DbError.h"
#include "store/Session.h"
#include "store/SqliteConnection.h"

#include <nlohmann/json.hpp>
#include <sodium.h>
// Debian's SQLite is built with the hook that shows each row before it changes; its header
// declares the hook only to those who ask for it.
#define SQLITE_ENABLE_PREUPDATE_HOOK
#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

const char* FileAuditTrail::accessView = "medora_access";

namespace {

// The function the access view's trigger calls to enter an access.
const char* const kEnterAccess = "medora_audit_access";
const int kLongestAccessDetails = 1000;

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

// The user signed in, else the computer's account, looked up once: the account does not
// change while the program runs.
std::string actingUser() {
    if (const auto user = Session::user())
        return user->name;
    static const std::string account = [] {
        const passwd* found = getpwuid(geteuid());
        return found != nullptr ? std::string(found->pw_name) : std::to_string(geteuid());
    }();
    return account;
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

// The columns of each table of records, by the schema's names, in their order; found once
// for the process, for the trail is kept only on files at the current step. A table a file
// lacks is looked for again in the next file.
class AuditedColumns {
public:
    static void find(sqlite3* db) {
        const std::lock_guard lock(guard());
        for (size_t table = 0; table < std::size(kAudited); ++table)
            if (found()[table].empty())
                found()[table] = columnsOf(db, kAudited[table].table);
    }
    static const std::vector<std::string>& of(size_t table) {
        const std::lock_guard lock(guard());
        return found()[table];
    }

private:
    static std::mutex& guard() {
        static std::mutex made;
        return made;
    }
    static std::vector<std::string>* found() {
        static std::vector<std::string> columns[std::size(kAudited)];
        return columns;
    }
};

std::optional<size_t> auditedTable(const char* name) {
    for (size_t table = 0; table < std::size(kAudited); ++table)
        if (std::strcmp(kAudited[table].table, name) == 0)
            return table;
    return std::nullopt;
}

// The row as JSON, by the schema's names of its columns, in their order, the rowid first for
// a table without a key of its own.
std::string rowAsJson(const Audited& audited, const std::vector<std::string>& columns,
                      long long rowid, const std::vector<sqlite3_value*>& values) {
    nlohmann::ordered_json row = nlohmann::ordered_json::object();
    if (std::strcmp(audited.key, "rowid") == 0)
        row["rowid"] = rowid;
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

// The value of a row's column by its name, or the rowid.
sqlite3_value* columnValue(const std::vector<std::string>& columns,
                           const std::vector<sqlite3_value*>& values, const char* name) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name)
            return values[i];
    return nullptr;
}

// Access to the records, which the store enters by inserting into this view.
std::string accessViewStatements() {
    return "CREATE TEMP VIEW medora_access AS SELECT action, table_name, record_id, patient_id,"
           " details FROM main.audit_trail WHERE 0;\n"
           "CREATE TEMP TRIGGER medora_access INSTEAD OF INSERT ON medora_access BEGIN"
           " SELECT " + std::string(kEnterAccess) +
           "(NEW.action, coalesce(NEW.table_name, ''), coalesce(NEW.record_id, ''),"
           " NEW.patient_id, coalesce(NEW.details, '{}')); END;";
}

// Whether the statement holds the name: not merely a name that holds it.
bool names(const std::string& sql, const std::string& name) {
    const auto partOfName = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    for (size_t at = sql.find(name); at != std::string::npos; at = sql.find(name, at + 1))
        if ((at == 0 || !partOfName(sql[at - 1])) &&
            (at + name.size() == sql.size() || !partOfName(sql[at + name.size()])))
            return true;
    return false;
}

struct ValueFree {
    void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
};

} // namespace

struct FileAuditTrail::Change {
    AuditEntry entry;
    std::unique_ptr<sqlite3_value, ValueFree> patient;
};

FileAuditTrail::FileAuditTrail(sqlite3* db) : m_db(db) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    AuditedColumns::find(db);
    // Direct only: no view or trigger a file might bring calls it, only the connection's own.
    if (sqlite3_create_function(db, kEnterAccess, 5, SQLITE_UTF8 | SQLITE_DIRECTONLY, this,
                                enterAccess, nullptr, nullptr) != SQLITE_OK)
        SqliteConnection::fail(db);
    sqlite3_preupdate_hook(db, watch, this);
}

FileAuditTrail::~FileAuditTrail() {
    sqlite3_preupdate_hook(m_db, nullptr, nullptr);
    sqlite3_finalize(m_lastHash);
    sqlite3_finalize(m_insert);
}

// SQLite calls this before each row it changes; it may not touch the database here, so the
// change is kept until its statement is done.
void FileAuditTrail::watch(void* trail, sqlite3*, int operation, const char* database,
                           const char* table, long long oldKey, long long newKey) {
    if (std::strcmp(database, "main") == 0)
        static_cast<FileAuditTrail*>(trail)->keep(operation, table,
                                                  operation == SQLITE_INSERT ? newKey : oldKey);
}

void FileAuditTrail::keep(int operation, const char* tableName, long long rowid) {
    const auto table = auditedTable(tableName);
    if (!table || !m_unkept.empty())
        return;
    const Audited& audited = kAudited[*table];
    const std::vector<std::string>& columns = AuditedColumns::of(*table);
    const bool inserted = operation == SQLITE_INSERT;
    if (sqlite3_preupdate_count(m_db) != int(columns.size())) {
        m_unkept = std::string("the table ") + audited.table + " is not of this version's shape";
        return;
    }
    std::vector<sqlite3_value*> values(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        if ((inserted ? sqlite3_preupdate_new(m_db, int(i), &values[i])
                      : sqlite3_preupdate_old(m_db, int(i), &values[i])) != SQLITE_OK) {
            m_unkept = sqlite3_errmsg(m_db);
            return;
        }
    try {
        Change change;
        AuditEntry& entry = change.entry;
        entry.action = inserted ? "insert" : operation == SQLITE_UPDATE ? "update" : "delete";
        entry.table = audited.table;
        std::tie(entry.timeUtc, entry.timeLocal) = timesNow();
        const bool ownKey = std::strcmp(audited.key, "rowid") != 0;
        entry.record = ownKey ? textOf(columnValue(columns, values, audited.key))
                              : std::to_string(rowid);
        entry.details = rowAsJson(audited, columns, rowid, values);
        if (*audited.patient) {
            sqlite3_value* patient = columnValue(columns, values, audited.patient);
            entry.patient = textOf(patient);
            change.patient.reset(sqlite3_value_dup(patient));
        }
        m_changes.push_back(std::move(change));
    } catch (const std::exception& e) {
        m_unkept = e.what();
    }
}

// Called as (action, table, record, patient, details): only the words of an access, never
// those of a change, with details as short as the server takes them. The changes before it
// come first.
void FileAuditTrail::enterAccess(sqlite3_context* context, int, sqlite3_value** values) {
    auto* trail = static_cast<FileAuditTrail*>(sqlite3_user_data(context));
    const std::string action = textOf(values[0]);
    const std::vector<Access>& accesses = AccessTrail::all();
    if (std::none_of(accesses.begin(), accesses.end(),
                     [&](Access access) { return action == AccessTrail::word(access); })) {
        sqlite3_result_error(context, "not an access to the records", -1);
        return;
    }
    if (sqlite3_value_bytes(values[4]) > kLongestAccessDetails) {
        sqlite3_result_error(context, "an access entry's details are too long", -1);
        return;
    }
    try {
        trail->enterChanges();
        AuditEntry entry;
        entry.action = action;
        entry.table = textOf(values[1]);
        entry.record = textOf(values[2]);
        entry.patient = textOf(values[3]);
        entry.details = textOf(values[4]);
        std::tie(entry.timeUtc, entry.timeLocal) = timesNow();
        if (trail->enter(entry, values[3]) != SQLITE_OK)
            SqliteConnection::fail(trail->m_db);
    } catch (const DbError& e) {
        sqlite3_result_error(context, e.what(), -1);
        sqlite3_result_error_code(context, sqlite3_extended_errcode(trail->m_db));
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

void FileAuditTrail::statementDone() {
    m_statementChanges = sqlite3_changes(m_db);
    enterChanges();
}

// The new row's key stays the one the statement gave, as with no trail.
void FileAuditTrail::enterChanges() {
    if (!m_unkept.empty()) {
        const std::string why = m_unkept;
        forgetChanges();
        throw DbError("a change could not be entered in the audit trail: " + why);
    }
    if (m_changes.empty())
        return;
    const long long inserted = sqlite3_last_insert_rowid(m_db);
    for (Change& change : m_changes)
        if (enter(change.entry, change.patient.get()) != SQLITE_OK) {
            forgetChanges();
            SqliteConnection::fail(m_db);
        }
    m_changes.clear();
    sqlite3_set_last_insert_rowid(m_db, inserted);
}

void FileAuditTrail::forgetChanges() {
    m_changes.clear();
    m_unkept.clear();
}

int FileAuditTrail::enter(AuditEntry& entry, sqlite3_value* patient) {
    const auto prepared = [this](sqlite3_stmt*& statement, const char* sql) {
        return statement != nullptr || sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                                          &statement, nullptr) == SQLITE_OK;
    };
    if (!prepared(m_lastHash, "SELECT hash FROM main.audit_trail ORDER BY entry_id DESC LIMIT 1") ||
        !prepared(m_insert, "INSERT INTO main.audit_trail (time_utc, time_local, user_name, desk,"
                            " action, table_name, record_id, patient_id, details, previous_hash,"
                            " hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        return sqlite3_extended_errcode(m_db);
    const int found = sqlite3_step(m_lastHash);
    entry.previousHash = found == SQLITE_ROW ? textOf(sqlite3_column_value(m_lastHash, 0))
                                             : AuditChain::kFirstPrevious;
    sqlite3_reset(m_lastHash);
    if (found != SQLITE_ROW && found != SQLITE_DONE)
        return sqlite3_extended_errcode(m_db);
    entry.user = actingUser();
    static const std::string desk = deskName();
    entry.desk = desk;
    entry.hash = AuditChain::hashOf(entry);
    int column = 0;
    for (const std::string* field : {&entry.timeUtc, &entry.timeLocal, &entry.user, &entry.desk,
                                     &entry.action, &entry.table, &entry.record})
        sqlite3_bind_text(m_insert, ++column, field->data(), int(field->size()), SQLITE_STATIC);
    if (patient != nullptr)
        sqlite3_bind_value(m_insert, ++column, patient);
    else
        sqlite3_bind_null(m_insert, ++column);
    for (const std::string* field : {&entry.details, &entry.previousHash, &entry.hash})
        sqlite3_bind_text(m_insert, ++column, field->data(), int(field->size()), SQLITE_STATIC);
    const int entered = sqlite3_step(m_insert);
    const int failure = entered == SQLITE_DONE ? SQLITE_OK : sqlite3_extended_errcode(m_db);
    sqlite3_reset(m_insert);
    sqlite3_clear_bindings(m_insert);
    return failure;
}

void FileAuditTrail::prepareFor(const char* sql) {
    if (m_accessMade)
        return;
    std::string lowered(sql);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (names(lowered, accessView)) {
        static const std::string access = accessViewStatements();
        if (sqlite3_exec(m_db, access.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            SqliteConnection::fail(m_db);
        m_accessMade = true;
    }
}
