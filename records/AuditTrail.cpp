#include "records/AuditTrail.h"

#include "records/ServerLink.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

const char* const kEntries =
    "SELECT entry_id, time_utc, time_local, user_name, desk, action, table_name, record_id,"
    " coalesce(CAST(patient_id AS TEXT), ''), details, previous_hash, hash FROM audit_trail"
    " ORDER BY entry_id";

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

[[noreturn]] void unreadable(sqlite3* db, const std::string& path) {
    throw std::runtime_error(path + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

std::vector<AuditEntry> AuditTrail::ofFile(const std::string& path) {
    sqlite3* opened = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const Connection db(opened, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        unreadable(db.get(), path);
    // A desk's operation holds the file for moments at a time.
    sqlite3_busy_timeout(db.get(), 10000);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(),
                       "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'audit_trail'",
                       -1, &statement, nullptr);
    const Query holds(statement, &sqlite3_finalize);
    const int found = holds ? sqlite3_step(holds.get()) : SQLITE_ERROR;
    if (found == SQLITE_DONE)
        return {};
    if (found != SQLITE_ROW || sqlite3_prepare_v2(db.get(), kEntries, -1, &statement, nullptr) != SQLITE_OK)
        unreadable(db.get(), path);
    const Query entries(statement, &sqlite3_finalize);
    std::vector<AuditEntry> read;
    int step;
    while ((step = sqlite3_step(entries.get())) == SQLITE_ROW)
        read.push_back(entryOf([&](int column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(entries.get(), column));
            return std::string(text ? text : "", size_t(sqlite3_column_bytes(entries.get(), column)));
        }));
    if (step != SQLITE_DONE)
        unreadable(db.get(), path);
    return read;
}

std::vector<AuditEntry> AuditTrail::ofServer(const std::string& connection,
                                             const std::string& password) {
    try {
        ServerLink link(connection, password);
        if (link.single("SELECT to_regclass('audit_trail') IS NOT NULL") != "t")
            return {};
        const ServerLink::Result rows = link.run(kEntries);
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
