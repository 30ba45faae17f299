#include "bench/LibpqFloor.h"

#include "store/PostgresDialect.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace {

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

// `?` becomes PostgreSQL's $1, $2, ...; the floors' SQL holds no `?` inside quotes.
std::string numbered(const BareStatement& statement)
{
    std::string sql;
    int parameter = 0;
    for (const char c : statement.sql)
        sql += c == '?' ? "$" + std::to_string(++parameter) : std::string(1, c);
    if (statement.key != nullptr)
        sql += std::string(" RETURNING ") + statement.key;
    return sql;
}

Result checked(PGconn* conn, PGresult* result)
{
    Result kept(result, PQclear);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(PQerrorMessage(conn));
    return kept;
}

} // namespace

LibpqFloor::LibpqFloor(const std::string& connection) : m_conn(PQconnectdb(connection.c_str()))
{
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const std::string why = PQerrorMessage(m_conn);
        PQfinish(m_conn);
        throw std::runtime_error(why);
    }
    execute("SET DateStyle = ISO, YMD");
}

LibpqFloor::~LibpqFloor()
{
    PQfinish(m_conn);
}

void LibpqFloor::execute(const char* sql)
{
    checked(m_conn, PQexec(m_conn, sql));
}

long long LibpqFloor::run(const std::vector<BareStatement>& statements)
{
    // As in the store: an operation that only reads is a read-only transaction on a snapshot.
    const bool onlyReads =
        std::all_of(statements.begin(), statements.end(), [](const BareStatement& statement) {
            return std::string_view(statement.sql).substr(0, 7) == "SELECT ";
        });
    execute(onlyReads ? PostgresDialect::beginReading : PostgresDialect::begin);
    long long key = 0;
    std::vector<std::string> out;
    for (const BareStatement& statement : statements) {
        std::vector<std::string> texts;
        for (const BareStatement::Param& param : statement.params) {
            if (const auto* text = std::get_if<std::string>(&param))
                texts.push_back(*text);
            else
                texts.push_back(std::to_string(
                    std::holds_alternative<long long>(param) ? std::get<long long>(param) : key));
        }
        std::vector<const char*> values;
        for (const std::string& text : texts)
            values.push_back(text.c_str());
        const std::string sql = numbered(statement);
        const Result rows =
            checked(m_conn, values.empty()
                                ? PQexec(m_conn, sql.c_str())
                                : PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()),
                                               nullptr, values.data(), nullptr, nullptr, 0));
        for (int r = 0; r < PQntuples(rows.get()); ++r)
            for (int c = 0; c < PQnfields(rows.get()); ++c)
                out.emplace_back(PQgetvalue(rows.get(), r, c),
                                 static_cast<size_t>(PQgetlength(rows.get(), r, c)));
        if (statement.key != nullptr)
            key = std::strtoll(PQgetvalue(rows.get(), 0, 0), nullptr, 10);
    }
    execute("COMMIT");
    benchmark::DoNotOptimize(out.data());
    return key;
}

std::vector<int> LibpqFloor::serverProcesses()
{
    const Result rows = checked(m_conn, PQexec(m_conn, "SELECT pid FROM pg_stat_activity"
                                                       " WHERE datname = current_database()"
                                                       " AND backend_type = 'client backend'"));
    std::vector<int> processes;
    for (int r = 0; r < PQntuples(rows.get()); ++r)
        processes.push_back(std::atoi(PQgetvalue(rows.get(), r, 0)));
    return processes;
}
