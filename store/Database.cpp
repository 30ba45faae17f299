#include "store/Database.h"

#include "store/AccessWriter.h"
#include "store/Engine.h"
#include "store/LastFailure.h"

#include <new>

Statement Database::prepare(const char* sql)
{
    return Statement(m_connection.prepare(sql));
}

Statement Database::prepareInsert(const char* sql, const char* keyColumn)
{
    return Statement(m_connection.prepareInsert(sql, keyColumn));
}

Statement Database::prepareRowEntries()
{
    return Statement(m_connection.prepareRowEntries());
}

Statement Database::prepareInsertWithKey(const char* sql)
{
    return Statement(m_connection.prepareInsertWithKey(sql));
}

long long Database::highestKeyGiven(const char* table, const char* keyColumn)
{
    return m_connection.highestKeyGiven(table, keyColumn);
}

void Database::keysGivenUpTo(const char* table, const char* keyColumn, long long key)
{
    m_connection.keysGivenUpTo(table, keyColumn, key);
}

long long Database::lastInsertId() const
{
    return m_connection.lastInsertId();
}

int Database::changes() const
{
    return m_connection.changes();
}

bool Database::refuse()
{
    LastFailure::note(FailureKind::Refused);
    return false;
}

bool Database::notAllowed()
{
    LastFailure::note(FailureKind::NotAllowed);
    return false;
}

bool Database::runOperation(Engine* chosen, Engine::Intent intent, Engine::Span span,
                            const std::function<bool(Database&)>& work)
{
    // Access entries queued before the operation go into the trail before it.
    AccessWriter::drain();
    try {
        const std::shared_ptr<Engine> inUse = chosen != nullptr ? nullptr : Engine::current();
        Engine& engine = chosen != nullptr ? *chosen : *inUse;
        const bool done = engine.transact(
            [&](Connection& connection) {
                Database db(connection);
                return work(db);
            },
            intent, span);
        LastFailure::note(done ? FailureKind::None : FailureKind::NoSuchRecord);
        return done;
    } catch (const DbError& error) {
        LastFailure::note(error.kind());
    } catch (const std::bad_alloc&) {
        // Running out of memory fails the operation like any engine failure.
        LastFailure::note(FailureKind::EngineFailed);
    } catch (const std::length_error&) {
        LastFailure::note(FailureKind::EngineFailed);
    }
    return false;
}
