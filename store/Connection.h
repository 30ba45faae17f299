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
    // As prepareInsert(), for an INSERT that gives the new row's key itself.
    virtual std::unique_ptr<EngineStatement> prepareInsertWithKey(const char* sql) = 0;
    // The highest key the table's key column has ever given, rows since removed included; 0
    // when it gave none.
    virtual long long highestKeyGiven(const char* table, const char* keyColumn) = 0;
    // After rows were inserted with keys of their own, up to `key`: the keys the table gives
    // go on past it, and never back to one it gave before.
    virtual void keysGivenUpTo(const char* table, const char* keyColumn, long long key) = 0;
    // The audit trail's changes of one row of a patient's (no access entries), oldest first,
    // each as its local time, user, action, row key and details. Parameters: the table, the row's key as text
    // ('' for every row of the patient's in the table) and the patient's number. The desks of
    // a server may not read the trail itself.
    virtual std::unique_ptr<EngineStatement> prepareRowEntries() = 0;
    virtual long long lastInsertId() const = 0;
    // The rows the last statement run changed.
    virtual int changes() const = 0;
};
