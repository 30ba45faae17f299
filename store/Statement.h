#pragma once

#include "store/DateTime.h"

#include <string>

struct sqlite3;
struct sqlite3_stmt;

// A prepared statement of one operation. Values are only ever bound, never spliced into
// the SQL text. Every engine failure throws DbError.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as in SQLite.
    Statement& bind(int index, int value);
    Statement& bind(int index, long long value);
    Statement& bind(int index, const std::string& text);
    Statement& bind(int index, DateTime date);

    // True while a row is ready to read.
    bool step();
    // Runs a statement that gives no rows.
    void run();

    // Columns count from 0. A NULL text reads as an empty text.
    long long integer(int column) const;
    std::string text(int column) const;
    DateTime date(int column) const;
    // A key formatted as the screens carry it, in decimal.
    std::string id(int column) const;

private:
    void check(int rc) const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
