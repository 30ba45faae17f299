#pragma once

#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Engine.h"
#include "store/Statement.h"

#include <functional>
#include <string>

// What a data operation works through: a connection of the engine in use, with the
// operation's transaction open on it.
class Database
{
public:
    // The name of this computer's records file, in the folder that holds it.
    static constexpr const char* fileName = "clinic_db.mdb";
    // How long an operation waits for another program to let go of the file.
    static constexpr int busyTimeoutMs = 5000;

    explicit Database(Connection& connection) : m_connection(connection) {}

    // The SQL is the same for every engine, with `?` for each parameter.
    Statement prepare(const char* sql);
    // An INSERT of one row; lastInsertId() then gives its new key, the column `keyColumn`.
    Statement prepareInsert(const char* sql, const char* keyColumn);
    // An INSERT of one row that gives the row's key itself.
    Statement prepareInsertWithKey(const char* sql);
    // The highest key the table has ever given, rows since removed included; 0 when none.
    long long highestKeyGiven(const char* table, const char* keyColumn);
    // After rows inserted with their own keys, up to `key`: the table's new keys go on past it.
    void keysGivenUpTo(const char* table, const char* keyColumn, long long key);
    // Connection::prepareRowEntries.
    Statement prepareRowEntries();
    long long lastInsertId() const;
    int changes() const;

    // Runs work(Database&) as one transaction. work returns false when the row it was meant
    // for is gone; the transaction is then rolled back and the result is false, as it is
    // on any engine failure.
    template <typename Work>
    static bool run(Work&& work)
    {
        return runOperation(nullptr, Engine::Intent::Change, Engine::Span::Desk,
                            std::function<bool(Database&)>(std::forward<Work>(work)));
    }

    // As run(), for work that only reads the records.
    template <typename Work>
    static bool read(Work&& work)
    {
        return runOperation(nullptr, Engine::Intent::Read, Engine::Span::Desk,
                            std::function<bool(Database&)>(std::forward<Work>(work)));
    }

    // As run() and read(), for work on the whole records, which may take far longer than a
    // desk's operation may (Engine::Span).
    template <typename Work>
    static bool runWhole(Work&& work)
    {
        return runOperation(nullptr, Engine::Intent::Change, Engine::Span::WholeRecords,
                            std::function<bool(Database&)>(std::forward<Work>(work)));
    }
    template <typename Work>
    static bool readWhole(Work&& work)
    {
        return runOperation(nullptr, Engine::Intent::Read, Engine::Span::WholeRecords,
                            std::function<bool(Database&)>(std::forward<Work>(work)));
    }

    // As run(), on the given engine rather than the one in use.
    template <typename Work>
    static bool runOn(Engine& engine, Work&& work)
    {
        return runOperation(&engine, Engine::Intent::Change, Engine::Span::Desk,
                            std::function<bool(Database&)>(std::forward<Work>(work)));
    }

    // As run(), and once committed sets key to the number of the row the work added last.
    template <typename Work>
    static bool runInsert(Work&& work, std::string& key)
    {
        long long added = 0;
        const bool done = run([&](Database& db) {
            if (!work(db))
                return false;
            added = db.lastInsertId();
            return true;
        });
        if (done)
            key = std::to_string(added);
        return done;
    }

    // Fails an operation that refuses its request before touching the records.
    static bool refuse();
    // Fails an operation that the signed-in user's role may not do, before touching the records.
    static bool notAllowed();

private:
    // On the engine in use unless another is chosen.
    static bool runOperation(Engine* chosen, Engine::Intent intent, Engine::Span span,
                             const std::function<bool(Database&)>& work);

    Connection& m_connection;
};
