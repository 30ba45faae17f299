#include "store/Statement.h"

#include "store/Database.h"

#include <sqlite3.h>

Statement::Statement(sqlite3* db, const char* sql) : m_db(db)
{
    check(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement& Statement::bind(int index, int value)
{
    check(sqlite3_bind_int(m_stmt, index, value));
    return *this;
}

Statement& Statement::bind(int index, long long value)
{
    check(sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

Statement& Statement::bind(int index, const std::string& text)
{
    // The 64-bit length lets SQLite refuse a text too long for it instead of cutting it.
    check(sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
    return *this;
}

Statement& Statement::bind(int index, DateTime date)
{
    const std::string iso = date.toIso();
    if (iso.empty())
        throw DbError("date outside the calendar");
    return bind(index, iso);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        check(rc);
    return false;
}

void Statement::run()
{
    while (step()) {
    }
}

long long Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (data == nullptr)
        return {};
    return std::string(data, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)));
}

DateTime Statement::date(int column) const
{
    DateTime value;
    if (!DateTime::fromIso(text(column), value))
        throw DbError("unreadable date");
    return value;
}

std::string Statement::id(int column) const
{
    return std::to_string(integer(column));
}

void Statement::check(int rc) const
{
    if (rc != SQLITE_OK)
        throw DbError(sqlite3_errmsg(m_db));
}
