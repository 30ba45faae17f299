#pragma once

#include <optional>
#include <string>

// One engine's prepared statement, under Statement. Every failure throws DbError.
class EngineStatement
{
public:
    virtual ~EngineStatement() = default;

    // Parameters count from 1.
    virtual void bind(int index, long long value) = 0;
    virtual void bind(int index, const std::string& text) = 0;

    // Runs the statement on the first call; true while a row is ready to read.
    virtual bool step() = 0;

    // How many rows the statement gives in all, once it has run, where the engine knows that
    // before they are read: a server sends the whole result at once, a file's rows are found
    // one by one.
    virtual std::optional<long long> rowCount() const { return std::nullopt; }

    // Columns count from 0. A NULL reads as 0 or as an empty text.
    virtual long long integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
};
