#include "records/RecordsLock.h"

#include "records/MedoraTables.h"
#include "records/TableWords.h"
#include "store/Database.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

RecordsLock::RecordsLock(const std::string& name, Use use) : m_name(name) {
    lock(use);
    if (m_failure && m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

RecordsLock::~RecordsLock() {
    if (!m_db)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

// stat() and access() rather than open(): they name the file's trouble without opening a
// descriptor whose closing would drop another connection's locks on it.
void RecordsLock::lock(Use use) {
    struct stat info {};
    if (stat(m_name.c_str(), &info) != 0 || access(m_name.c_str(), R_OK) != 0) {
        m_failure = FileFailure::fromErrno(errno, m_name);
        return;
    }
    const bool writable = access(m_name.c_str(), W_OK) == 0;
    if (!writable && use == Use::Write) {
        m_failure = FileFailure::fromErrno(errno, m_name);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_failure = FileFailure{FileFailure::AccessDenied, m_name};
        return;
    }
    int rc = open(writable);
    if (rc == SQLITE_OK)
        rc = sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &m_file);
    if (rc != SQLITE_OK || !m_file || !m_file->pMethods)
        failFromEngine(rc);
}

int RecordsLock::open(bool writable) {
    int rc = sqlite3_open_v2(m_name.c_str(), &m_db,
                             writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK && writable && sqlite3_db_readonly(m_db, "main") != 0)
        return SQLITE_READONLY;
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(m_db, Database::busyTimeoutMs);
    // As the store does: a database left in another journal mode becomes one file again.
    // Reading the schema takes the shared lock.
    return sqlite3_exec(m_db,
                        writable ? "PRAGMA journal_mode=DELETE; BEGIN EXCLUSIVE"
                                 : "BEGIN; SELECT count(*) FROM sqlite_schema",
                        nullptr, nullptr, nullptr);
}

void RecordsLock::failFromEngine(int rc) {
    const int error = m_db ? sqlite3_system_errno(m_db) : 0;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        m_failure = FileFailure{FileFailure::SharingViolation, m_name};
        return;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        m_failure = FileFailure{FileFailure::NotRecords, m_name};
        return;
    case SQLITE_NOMEM:
        m_failure = FileFailure{FileFailure::OutOfMemory, m_name};
        return;
    case SQLITE_FULL:
        m_failure = FileFailure{FileFailure::DiskFull, m_name};
        return;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        m_failure = FileFailure{FileFailure::AccessDenied, m_name};
        return;
    default:
        m_failure = error != 0 ? FileFailure::fromErrno(error, m_name)
                               : FileFailure{FileFailure::HardIO, m_name};
    }
}

long long RecordsLock::size() const {
    sqlite3_int64 length = 0;
    if (!m_file || m_file->pMethods->xFileSize(m_file, &length) != SQLITE_OK)
        return -1;
    return length;
}

bool RecordsLock::read(char* buffer, int amount, long long offset) const {
    return m_file && m_file->pMethods->xRead(m_file, buffer, amount, offset) == SQLITE_OK;
}

namespace {

// Whether the statement runs to its end, every row it gives reading "ok" when it is a check.
bool runsClean(sqlite3* db, const std::string& sql, bool isCheck) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    bool clean = true;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        if (isCheck) {
            const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            clean = clean && line != nullptr && std::string(line) == "ok";
        }
    sqlite3_finalize(statement);
    return clean && rc == SQLITE_DONE;
}

} // namespace

// The engine's findings name pages, not records: each table is checked with its indexes, and
// read through, so that the words say which records are touched and whether they can still
// be read.
std::optional<std::string> RecordsLock::damage() const {
    if (!m_db || runsClean(m_db, "PRAGMA quick_check(1)", true))
        return std::nullopt;
    if (!runsClean(m_db, "SELECT * FROM sqlite_schema", false))
        return "The part of the file that tells where the records lie cannot be read.";
    std::vector<std::string> unreadable;
    std::vector<std::string> indexOnly;
    for (const MedoraTable& table : MedoraTables::all())
        if (!runsClean(m_db, "PRAGMA quick_check(" + table.name + ")", true))
            (runsClean(m_db, "SELECT * FROM " + table.name, false) ? indexOnly : unreadable)
                .push_back(table.name);
    std::string words;
    if (!unreadable.empty())
        words = "Part of " + TableWords::list(unreadable) + " could not be read.";
    if (!indexOnly.empty())
        words += std::string(words.empty() ? "" : " ") + "The index by which the program finds " +
                 TableWords::list(indexOnly) + " is damaged, but they can all be read.";
    return words.empty() ? "The damage lies outside the records, which can all be read." : words;
}
