#include "store/SqliteConnection.h"

#include "store/Database.h"
#include "store/DbError.h"
#include "store/FileAuditTrail.h"
#include "store/SqliteStatement.h"

#include <linux/magic.h>
#include <sqlite3.h>
#include <sys/vfs.h>

#include <cerrno>
#include <thread>

namespace {

// SQLite's locking cannot be trusted on network file systems, and a file whose locks fail is
// soon damaged. FUSE mostly carries such file systems too (sshfs and the like).
bool onNetworkFileSystem(const char* path)
{
    struct statfs info {};
    if (statfs(path, &info) != 0)
        return false; // the open that follows names the trouble
    switch (info.f_type) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case CODA_SUPER_MAGIC:
    case NCP_SUPER_MAGIC:
    case V9FS_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& file)
    : m_giveUp(std::chrono::milliseconds(Database::busyTimeoutMs))
{
    if (onNetworkFileSystem(file.c_str()))
        throw DbError("the records file is on a network file system", FailureKind::NetworkDrive);
    // Never SQLITE_OPEN_CREATE: a missing records file is an error, not a new empty database.
    const int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    try {
        if (rc != SQLITE_OK)
            fail(m_db);
        // SQLite quietly falls back to reading when the file is write-protected; an
        // operation must not half-work on such a file.
        if (sqlite3_db_readonly(m_db, "main") != 0)
            throw DbError("the records file is read-only");
        sqlite3_busy_handler(m_db, waitForTurn, this);
        // With a rollback journal the whole database is the one file between operations,
        // safe to copy; FULL makes every committed operation survive a power cut.
        exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN EXCLUSIVE");
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

SqliteConnection::~SqliteConnection()
{
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

void SqliteConnection::commit()
{
    if (m_trail)
        m_trail->enterChanges();
    exec("COMMIT");
}

void SqliteConnection::keepAuditTrail()
{
    m_trail = std::make_unique<FileAuditTrail>(m_db);
}

void SqliteConnection::onlyRead()
{
    exec("PRAGMA query_only = ON");
}

std::unique_ptr<EngineStatement> SqliteConnection::prepare(const char* sql)
{
    if (m_trail)
        m_trail->prepareFor(sql);
    return std::make_unique<SqliteStatement>(m_db, sql, m_trail.get());
}

// SQLite keeps the new row's key for lastInsertId() whatever the key column is called.
std::unique_ptr<EngineStatement> SqliteConnection::prepareInsert(const char* sql, const char*)
{
    return prepare(sql);
}

std::unique_ptr<EngineStatement> SqliteConnection::prepareRowEntries()
{
    return prepare("SELECT time_local, user_name, action, record_id, details FROM audit_trail"
                   " WHERE table_name = ?1 AND patient_id = ?3 AND (?2 = '' OR record_id = ?2)"
                   " AND action IN ('insert', 'update', 'delete')"
                   " ORDER BY entry_id");
}

std::unique_ptr<EngineStatement> SqliteConnection::prepareInsertWithKey(const char* sql)
{
    return prepare(sql);
}

// An AUTOINCREMENT table keeps the highest key it gave in sqlite_sequence.
long long SqliteConnection::highestKeyGiven(const char* table, const char*)
{
    SqliteStatement given(m_db, "SELECT seq FROM sqlite_sequence WHERE name = ?");
    given.bind(1, std::string(table));
    return given.step() ? given.integer(0) : 0;
}

// SQLite's AUTOINCREMENT already goes on past the highest key inserted.
void SqliteConnection::keysGivenUpTo(const char*, const char*, long long) {}

long long SqliteConnection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteConnection::changes() const
{
    return m_trail ? m_trail->statementChanges() : sqlite3_changes(m_db);
}

// SQLite's own timeout sleeps longer and longer between tries, up to a tenth of a second, and
// so keeps missing the short moment between two operations of another program that writes
// without pause; trying every millisecond gets this operation its turn.
int SqliteConnection::waitForTurn(void* connection, int)
{
    if (static_cast<SqliteConnection*>(connection)->m_giveUp.passed())
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

void SqliteConnection::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db);
}

void SqliteConnection::fail(sqlite3* db)
{
    if (db == nullptr)
        throw DbError("out of memory");
    // SQLite says SQLITE_FULL when a write finds no room; a quota met, or no room for the
    // final flush, comes as an I/O error with the system's reason.
    const int code = sqlite3_extended_errcode(db) & 0xff;
    const int reason = sqlite3_system_errno(db);
    const bool full =
        code == SQLITE_FULL || (code == SQLITE_IOERR && (reason == ENOSPC || reason == EDQUOT));
    throw DbError(sqlite3_errmsg(db), full ? FailureKind::DiskFull : FailureKind::EngineFailed);
}
