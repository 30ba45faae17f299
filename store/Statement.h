#pragma once

#include "store/DateTime.h"
#include "store/EngineStatement.h"

#include <memory>
#include <optional>
#include <string>

// A prepared statement of one operation. Values are only ever bound, never spliced into
// the SQL text. Every engine failure throws DbError.
class Statement
{
public:
    explicit Statement(std::unique_ptr<EngineStatement> statement);

    // Parameters count from 1.
    Statement& bind(int index, int value);
    Statement& bind(int index, long long value);
    Statement& bind(int index, const std::string& text);
    Statement& bind(int index, DateTime date);

    // True while a row is ready to read.
    bool step();
    // After the first step(): how many rows there are in all, where the engine knows ahead.
    std::optional<long long> rowCount() const;
    // Runs a statement that gives no rows.
    void run();

    // Columns count from 0. A NULL text reads as an empty text.
    long long integer(int column) const;
    std::string text(int column) const;
    DateTime date(int column) const;
    // A key formatted as the screens carry it, in decimal.
    std::string id(int column) const;

private:
    std::unique_ptr<EngineStatement> m_statement;
};
