#include "store/PostgresStatement.h"

#include "store/DbError.h"

#include <libpq-fe.h>

#include <cstdlib>

PostgresStatement::PostgresStatement(PostgresConnection& connection, std::string sql, bool givesKey)
    : m_connection(connection), m_sql(std::move(sql)), m_givesKey(givesKey),
      m_result(nullptr, PQclear)
{}

void PostgresStatement::bind(int index, long long value)
{
    parameter(index) = std::to_string(value);
}

void PostgresStatement::bind(int index, const std::string& text)
{
    // Parameters travel as C strings: a NUL would cut the text short without a word.
    if (text.find('\0') != std::string::npos)
        throw DbError("a text with a NUL character");
    parameter(index) = text;
}

bool PostgresStatement::step()
{
    if (!m_result) {
        m_result = m_connection.execute(m_sql, m_values);
        if (m_givesKey && PQntuples(m_result.get()) == 1)
            m_connection.noteInsertedKey(
                std::strtoll(PQgetvalue(m_result.get(), 0, 0), nullptr, 10));
    }
    ++m_row;
    return m_row < PQntuples(m_result.get());
}

std::optional<long long> PostgresStatement::rowCount() const
{
    if (!m_result)
        return std::nullopt;
    return PQntuples(m_result.get());
}

long long PostgresStatement::integer(int column) const
{
    return std::strtoll(value(column), nullptr, 10);
}

std::string PostgresStatement::text(int column) const
{
    const char* data = value(column);
    return std::string(data, static_cast<size_t>(PQgetlength(m_result.get(), m_row, column)));
}

PostgresValues::value_type& PostgresStatement::parameter(int index)
{
    if (index < 1)
        throw DbError("no such parameter");
    if (m_values.size() < static_cast<size_t>(index))
        m_values.resize(static_cast<size_t>(index));
    return m_values[static_cast<size_t>(index) - 1];
}

// A NULL reads as the empty text, libpq's own answer for it.
const char* PostgresStatement::value(int column) const
{
    if (!m_result || m_row < 0 || m_row >= PQntuples(m_result.get()) || column < 0 ||
        column >= PQnfields(m_result.get()))
        throw DbError("no such column");
    return PQgetvalue(m_result.get(), m_row, column);
}
