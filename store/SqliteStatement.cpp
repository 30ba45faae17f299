#include "store/SqliteStatement.h"

#include "store/FileAuditTrail.h"
#include "store/SqliteConnection.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql, FileAuditTrail* trail) : m_db(db)
{
    check(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr));
    if (sqlite3_stmt_readonly(m_stmt) == 0)
        m_trail = trail;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bind(int index, long long value)
{
    check(sqlite3_bind_int64(m_stmt, index, value));
}

void SqliteStatement::bind(int index, const std::string& text)
{
    // The 64-bit length lets SQLite refuse a text too long for it instead of cutting it.
    check(sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (m_trail != nullptr && rc == SQLITE_DONE)
        m_trail->statementDone();
    else if (m_trail != nullptr)
        m_trail->forgetChanges();
    if (rc != SQLITE_DONE)
        check(rc);
    return false;
}

long long SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (data == nullptr)
        return {};
    return std::string(data, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)));
}

void SqliteStatement::check(int rc) const
{
    if (rc != SQLITE_OK)
        SqliteConnection::fail(m_db);
}
