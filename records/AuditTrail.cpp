#include "records/AuditTrail.h"

#include "records/ServerLink.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

const char* const kEntries =
    "SELECT entry_id, time_utc, time_local, user_name, desk, action, table_name, record_id,"
    " coalesce(CAST(patient_id AS TEXT), ''), details, previous_hash, hash FROM audit_trail";
const char* const kInOrder = " ORDER BY entry_id";
const char* const kHashed = " WHERE hash IS NOT NULL";

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Query = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

// The entry whose fields `field` gives, in the order of kEntries.
template <typename Field> AuditEntry entryOf(const Field& field) {
    AuditEntry entry;
    entry.id = std::stoll(field(0));
    std::string* const texts[] = {&entry.timeUtc, &entry.timeLocal, &entry.user,
                                  &entry.desk,    &entry.action,    &entry.table,
                                  &entry.record,  &entry.patient,   &entry.details,
                                  &entry.previousHash, &entry.hash};
    for (int i = 0; i < int(std::size(texts)); ++i)
        *texts[i] = field(i + 1);
    return entry;
}

// The filter's conditions, each with its value; `placeholder` writes the engine's mark of
// the n-th value.
struct Chosen {
    std::string where;
    std::vector<std::string> values;
};

template <typename Placeholder>
Chosen chosenBy(const AuditReport::Filter& filter, const Placeholder& placeholder) {
    Chosen chosen;
    const auto add = [&](const std::string& value, const char* condition) {
        if (value.empty())
            return;
        chosen.values.push_back(value);
        chosen.where += (chosen.where.empty() ? " WHERE " : " AND ") + std::string(condition) +
                        placeholder(int(chosen.values.size()));
    };
    add(filter.patient, "patient_id = ");
    add(filter.user, "user_name = ");
    add(filter.action, "action = ");
    add(filter.from, "substr(time_local, 1, 10) >= ");
    add(filter.to, "substr(time_local, 1, 10) <= ");
    return chosen;
}

[[noreturn]] void unreadable(sqlite3* db, const std::string& path) {
    throw std::runtime_error(path + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

Connection openToRead(const std::string& path) {
    sqlite3* opened = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
    Connection db(opened, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        unreadable(db.get(), path);
    // A desk's operation holds the file for moments at a time.
    sqlite3_busy_timeout(db.get(), 10000);
    return db;
}

bool holdsTrail(sqlite3* db, const std::string& path) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'audit_trail'",
                       -1, &statement, nullptr);
    const Query holds(statement, &sqlite3_finalize);
    const int found = holds ? sqlite3_step(holds.get()) : SQLITE_ERROR;
    if (found != SQLITE_ROW && found != SQLITE_DONE)
        unreadable(db, path);
    return found == SQLITE_ROW;
}

// The patient's number is bound as a number: the file's column holds integers.
void bind(sqlite3_stmt* statement, int index, const std::string& value, bool number) {
    if (number)
        sqlite3_bind_int64(statement, index, std::stoll(value));
    else
        sqlite3_bind_text(statement, index, value.c_str(), int(value.size()), SQLITE_TRANSIENT);
}

void eachOfFileChosen(const std::string& path, const AuditReport::Filter& filter,
                      const AuditTrail::Take& take) {
    const Connection db = openToRead(path);
    if (!holdsTrail(db.get(), path))
        return;
    const Chosen chosen = chosenBy(filter, [](int) { return std::string("?"); });
    const std::string sql = kEntries + chosen.where + kInOrder;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        unreadable(db.get(), path);
    const Query entries(statement, &sqlite3_finalize);
    for (size_t i = 0; i < chosen.values.size(); ++i)
        bind(statement, int(i) + 1, chosen.values[i], i == 0 && !filter.patient.empty());
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        take(entryOf([&](int column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            return std::string(text ? text : "", size_t(sqlite3_column_bytes(statement, column)));
        }));
    if (step != SQLITE_DONE)
        unreadable(db.get(), path);
}

// Whether the server holds a trail; when it does, its hashes are made first.
bool sealedTrailOn(ServerLink& link) {
    if (link.single("SELECT to_regclass('audit_trail') IS NOT NULL") != "t")
        return false;
    AuditTrail::sealOnServer(link);
    return true;
}

} // namespace

// In a transaction of its own that sees every entry committed, whatever the server's default.
void AuditTrail::sealOnServer(ServerLink& link) {
    link.run("BEGIN ISOLATION LEVEL READ COMMITTED");
    link.run("SELECT medora_audit_seal()");
    link.run("COMMIT");
}

std::vector<AuditEntry> AuditTrail::ofFile(const std::string& path,
                                           const AuditReport::Filter& filter) {
    std::vector<AuditEntry> read;
    eachOfFileChosen(path, filter, [&](const AuditEntry& entry) { read.push_back(entry); });
    return read;
}

void AuditTrail::eachOfFile(const std::string& path, const Take& take) {
    eachOfFileChosen(path, {}, take);
}

std::vector<AuditEntry> AuditTrail::ofServer(const std::string& connection,
                                             const std::string& password,
                                             const AuditReport::Filter& filter) {
    try {
        ServerLink link(connection, password);
        if (!sealedTrailOn(link))
            return {};
        const Chosen chosen =
            chosenBy(filter, [](int n) { return "$" + std::to_string(n); });
        const ServerLink::Result rows = link.run(kEntries + chosen.where + kInOrder, chosen.values);
        std::vector<AuditEntry> read;
        for (int row = 0; row < PQntuples(rows.get()); ++row)
            read.push_back(entryOf([&](int column) {
                return std::string(PQgetvalue(rows.get(), row, column),
                                   size_t(PQgetlength(rows.get(), row, column)));
            }));
        return read;
    } catch (const ServerError& error) {
        throw std::runtime_error(error.what());
    }
}

// COPY hands the rows over as the server reads them, where a query's result would be held
// whole first. Entries committed after the hashes were made wait for the next reading.
void AuditTrail::eachOfServer(const std::string& connection, const std::string& password,
                              const Take& take) {
    try {
        ServerLink link(connection, password);
        if (!sealedTrailOn(link))
            return;
        std::vector<std::string> fields;
        std::vector<bool> nulls;
        link.copyOut(std::string("COPY (") + kEntries + kHashed + kInOrder + ") TO STDOUT",
                     [&](const char* row, size_t size) {
                         ServerLink::splitCopyRow(row, size, fields, nulls);
                         take(entryOf([&](int column) { return fields.at(size_t(column)); }));
                     });
    } catch (const ServerError& error) {
        throw std::runtime_error(error.what());
    }
}
