#pragma once

#include "store/EngineStatement.h"

struct sqlite3;
struct sqlite3_stmt;

// A statement prepared on the records file.
class SqliteStatement : public EngineStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql);
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
};
