#include "store/Database.h"

#include "store/Engine.h"

#include <new>

Statement Database::prepare(const char* sql)
{
    return Statement(m_connection.prepare(sql));
}

Statement Database::prepareInsert(const char* sql, const char* keyColumn)
{
    return Statement(m_connection.prepareInsert(sql, keyColumn));
}

long long Database::lastInsertId() const
{
    return m_connection.lastInsertId();
}

int Database::changes() const
{
    return m_connection.changes();
}

bool Database::runOperation(const std::function<bool(Database&)>& work)
{
    try {
        return Engine::current().transact([&](Connection& connection) {
            Database db(connection);
            return work(db);
        });
    } catch (const DbError&) {
        return false;
    } catch (const std::bad_alloc&) {
        // Running out of memory fails the operation like any engine failure.
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}
