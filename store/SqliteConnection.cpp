#include "store/SqliteConnection.h"

#include "store/Database.h"
#include "store/DbError.h"
#include "store/SqliteStatement.h"

#include <sqlite3.h>

SqliteConnection::SqliteConnection()
{
    // Never SQLITE_OPEN_CREATE: a missing records file is an error, not a new empty database.
    const int rc = sqlite3_open_v2(Database::fileName, &m_db, SQLITE_OPEN_READWRITE, nullptr);
    try {
        if (rc != SQLITE_OK)
            fail();
        // SQLite quietly falls back to reading when the file is write-protected; an
        // operation must not half-work on such a file.
        if (sqlite3_db_readonly(m_db, "main") != 0)
            throw DbError("the records file is read-only");
        sqlite3_busy_timeout(m_db, Database::busyTimeoutMs);
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
    exec("COMMIT");
}

std::unique_ptr<EngineStatement> SqliteConnection::prepare(const char* sql)
{
    return std::make_unique<SqliteStatement>(m_db, sql);
}

// SQLite keeps the new row's key for lastInsertId() whatever the key column is called.
std::unique_ptr<EngineStatement> SqliteConnection::prepareInsert(const char* sql, const char*)
{
    return prepare(sql);
}

long long SqliteConnection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteConnection::changes() const
{
    return sqlite3_changes(m_db);
}

void SqliteConnection::exec(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail();
}

void SqliteConnection::fail()
{
    throw DbError(m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory");
}
