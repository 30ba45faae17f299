#pragma once

#include "store/EngineStatement.h"

#include <memory>

// One engine's connection while it runs an operation's transaction. The data classes reach it
// only through Database.
class Connection
{
public:
    virtual ~Connection() = default;

    // The SQL is the same for every engine, with `?` for each parameter.
    virtual std::unique_ptr<EngineStatement> prepare(const char* sql) = 0;
    // As prepare(), for an INSERT of one row whose new key, the column `keyColumn`,
    // lastInsertId() gives once the statement has run.
    virtual std::unique_ptr<EngineStatement> prepareInsert(const char* sql,
                                                           const char* keyColumn) = 0;
    virtual long long lastInsertId() const = 0;
    // The rows the last statement run changed.
    virtual int changes() const = 0;
};
