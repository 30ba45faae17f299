#include "store/Statement.h"

#include "store/DbError.h"

Statement::Statement(std::unique_ptr<EngineStatement> statement)
    : m_statement(std::move(statement))
{
}

Statement& Statement::bind(int index, int value)
{
    return bind(index, static_cast<long long>(value));
}

Statement& Statement::bind(int index, long long value)
{
    m_statement->bind(index, value);
    return *this;
}

Statement& Statement::bind(int index, const std::string& text)
{
    m_statement->bind(index, text);
    return *this;
}

Statement& Statement::bind(int index, DateTime date)
{
    const std::string iso = date.toIso();
    if (iso.empty())
        throw DbError("date outside the calendar");
    return bind(index, iso);
}

bool Statement::step()
{
    return m_statement->step();
}

std::optional<long long> Statement::rowCount() const
{
    return m_statement->rowCount();
}

void Statement::run()
{
    while (step()) {
    }
}

long long Statement::integer(int column) const
{
    return m_statement->integer(column);
}

std::string Statement::text(int column) const
{
    return m_statement->text(column);
}

DateTime Statement::date(int column) const
{
    DateTime value;
    if (!DateTime::fromIso(text(column), value))
        throw DbError("unreadable date");
    return value;
}

std::string Statement::id(int column) const
{
    return std::to_string(integer(column));
}
