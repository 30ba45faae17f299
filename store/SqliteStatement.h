#pragma once

#include "store/EngineStatement.h"

class FileAuditTrail;
struct sqlite3;
struct sqlite3_stmt;

// A statement prepared on the records file; with the audit trail, a statement that writes
// enters its changes in the trail when it is done.
class SqliteStatement : public EngineStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql, FileAuditTrail* trail = nullptr);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int index, long long value) override;
    void bind(int index, const std::string& text) override;
    bool step() override;
    long long integer(int column) const override;
    std::string text(int column) const override;

private:
    void check(int rc) const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    FileAuditTrail* m_trail = nullptr;
};
