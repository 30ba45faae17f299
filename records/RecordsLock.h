#pragma once

#include "records/FileFailure.h"

#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_file;

// Holds the records file's exclusive lock, taken as every store operation takes it, so that
// no operation of this or another program runs while the lock is held. The file is read only
// through SQLite's own handle: closing any other descriptor of it would drop the process's
// locks on it.
class RecordsLock {
public:
    // A copy only reads the file: one that can be read but not written is then held by a
    // shared lock, which keeps every writer out just as well.
    enum class Use { Write, Copy };

    explicit RecordsLock(const std::string& name, Use use = Use::Write);
    ~RecordsLock();
    RecordsLock(const RecordsLock&) = delete;
    RecordsLock& operator=(const RecordsLock&) = delete;

    // Why the lock could not be taken; nothing while it is held.
    const std::optional<FileFailure>& failure() const { return m_failure; }
    const std::string& name() const { return m_name; }

    // The file's length, or -1 when it cannot be read.
    long long size() const;
    bool read(char* buffer, int amount, long long offset) const;
    // What the engine's quick check finds damaged, in the words of the program's users: which
    // records could not be read; nothing when it finds no damage.
    std::optional<std::string> damage() const;
    // The connection that holds the lock, through which the file may be read while it is held.
    sqlite3* reader() const { return m_db; }

private:
    void lock(Use use);
    int open(bool writable);
    void failFromEngine(int rc);

    std::string m_name;
    sqlite3* m_db = nullptr;
    sqlite3_file* m_file = nullptr;
    std::optional<FileFailure> m_failure;
};
