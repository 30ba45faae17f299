#pragma once

#include "store/Statement.h"

#include <new>
#include <stdexcept>
#include <string>

struct sqlite3;

// Any failure of the database engine inside the store. It never leaves the store: each data
// operation catches it and returns false.
class DbError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One connection for one operation on the records file in the current directory. The
// connection holds an exclusive lock from construction until it is destroyed, so no other
// program reads or writes halfway through an operation, and a backup taken through SQLite
// waits until the operation is over.
class Database
{
public:
    static constexpr const char* fileName = "clinic_db.mdb";
    // How long an operation waits for another program to let go of the file.
    static constexpr int busyTimeoutMs = 1000;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Statement prepare(const char* sql);
    void exec(const char* sql);
    void commit();
    long long lastInsertId() const;
    int changes() const;

    // Runs work(Database&) as one transaction. work returns false when the row it was meant
    // for is gone; the transaction is then rolled back and the result is false, as it is
    // on any engine failure.
    template <typename Work>
    static bool run(Work&& work)
    {
        try {
            Database db;
            if (!work(db))
                return false;
            db.commit();
            return true;
        } catch (const DbError&) {
            return false;
        } catch (const std::bad_alloc&) {
            // Running out of memory fails the operation like any engine failure.
            return false;
        } catch (const std::length_error&) {
            return false;
        }
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

private:
    void fail();

    sqlite3* m_db = nullptr;
};
