#pragma once

#include "store/EngineStatement.h"
#include "store/PostgresConnection.h"

// A statement for the server, sent with its parameters on the first step().
class PostgresStatement : public EngineStatement
{
public:
    // `sql` is already in PostgreSQL's dialect. A statement that gives a new key gives it in
    // the first column of its one row.
    PostgresStatement(PostgresConnection& connection, std::string sql, bool givesKey);

    void bind(int index, long long value) override;
    void bind(int index, const std::string& text) override;
    bool step() override;
    std::optional<long long> rowCount() const override;
    long long integer(int column) const override;
    std::string text(int column) const override;

private:
    PostgresValues::value_type& parameter(int index);
    const char* value(int column) const;

    PostgresConnection& m_connection;
    std::string m_sql;
    bool m_givesKey;
    PostgresValues m_values;
    PostgresResult m_result;
    int m_row = -1;
};
