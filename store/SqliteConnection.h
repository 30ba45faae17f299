#pragma once

#include "store/Connection.h"
#include "store/Deadline.h"

#include <memory>
#include <string>

class FileAuditTrail;
struct sqlite3;

// A records file, open for one operation. The connection holds an
// exclusive lock from construction until it is destroyed, so no other program reads or writes
// halfway through an operation, and a backup taken through SQLite waits until the operation
// is over. Destroyed without commit(), it undoes the operation's changes.
class SqliteConnection : public Connection
{
public:
    explicit SqliteConnection(const std::string& file);
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void commit();
    // From here on every change of a table of records enters the audit trail.
    void keepAuditTrail();
    // From here on the operation may not write.
    void onlyRead();

    // Throws the engine's last failure. A disk without room is told from the other failures,
    // since the user can mend it.
    [[noreturn]] static void fail(sqlite3* db);

    std::unique_ptr<EngineStatement> prepare(const char* sql) override;
    std::unique_ptr<EngineStatement> prepareInsert(const char* sql, const char* keyColumn) override;
    std::unique_ptr<EngineStatement> prepareInsertWithKey(const char* sql) override;
    long long highestKeyGiven(const char* table, const char* keyColumn) override;
    void keysGivenUpTo(const char* table, const char* keyColumn, long long key) override;
    std::unique_ptr<EngineStatement> prepareRowEntries() override;
    long long lastInsertId() const override;
    int changes() const override;

private:
    static int waitForTurn(void* connection, int tries);
    void exec(const char* sql);

    sqlite3* m_db = nullptr;
    Deadline m_giveUp;
    std::unique_ptr<FileAuditTrail> m_trail;
};
