#include "store/PostgresConnection.h"

#include "store/DbError.h"
#include "store/PostgresDialect.h"
#include "store/PostgresStatement.h"
#include "store/SchemaSteps.h"
#include "store/SerializationFailure.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The server's notices (a ROLLBACK with nothing to undo, say) are nobody's business here.
void ignoreNotice(void*, const char*) {}

bool isError(const PGresult* result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
}

} // namespace

PostgresConnection::PostgresConnection(const std::string& connection, const std::string& password,
                                       const Deadline& deadline)
    : m_deadline(deadline)
{
    try {
        connect(connection, password);
    } catch (...) {
        PQfinish(m_conn);
        throw;
    }
}

PostgresConnection::~PostgresConnection()
{
    PQfinish(m_conn);
}

// Defaults come before the clinic's connection string, which may change them; the text
// encoding, which the store relies on, comes after it. libpq's own connect_timeout only
// bounds blocking calls, so the deadline bounds the whole of the connecting here; the
// keepalives and the TCP user timeout let the system notice a link that has gone dead.
void PostgresConnection::connect(const std::string& connection, const std::string& password)
{
    std::vector<const char*> keywords{"connect_timeout",     "keepalives",       "keepalives_idle",
                                      "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                                      "application_name",    "dbname",           "client_encoding"};
    std::vector<const char*> values{
        "5", "1", "10", "2", "3", "4000", "Medora", connection.c_str(), "UTF8"};
    if (!password.empty()) {
        keywords.push_back("password");
        values.push_back(password.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = PQconnectStartParams(keywords.data(), values.data(), 1);
    if (m_conn == nullptr)
        throw DbError("out of memory");
    PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
    if (PQstatus(m_conn) == CONNECTION_BAD)
        refused();
    for (PostgresPollingStatusType state = PGRES_POLLING_WRITING; state != PGRES_POLLING_OK;
         state = PQconnectPoll(m_conn)) {
        if (state == PGRES_POLLING_FAILED)
            refused();
        waitFor(state == PGRES_POLLING_READING ? POLLIN : POLLOUT);
    }
    if (PQsetnonblocking(m_conn, 1) != 0)
        lose(PQerrorMessage(m_conn));
    execute(PostgresDialect::session, {});
    requireCurrentStep();
}

// A desk works only on records of the shape it was built for: the tables of an earlier or a
// later step would fail its operations halfway, or lose what it does not know of. Records set
// up before the version table stand at an earlier step; a database without Medora's records is
// left to fail as any operation on it does.
void PostgresConnection::requireCurrentStep()
{
    const std::string table = SchemaSteps::serverVersionTable;
    const PostgresResult found =
        execute("SELECT to_regclass($1) IS NOT NULL, to_regclass('patient_info') IS NOT NULL",
                PostgresValues{table});
    if (PQgetvalue(found.get(), 0, 1)[0] != 't')
        return;
    long long step = 0;
    if (PQgetvalue(found.get(), 0, 0)[0] == 't') {
        const PostgresResult row = execute("SELECT step FROM " + table + " WHERE only_row = 1", {});
        step = PQntuples(row.get()) == 1 ? std::atoll(PQgetvalue(row.get(), 0, 0)) : 0;
    }
    if (step < SchemaSteps::current())
        throw DbError("the server's records stand at step " + std::to_string(step),
                      FailureKind::ServerTooOld);
    if (step > SchemaSteps::current())
        throw DbError("the server's records stand at step " + std::to_string(step),
                      FailureKind::ServerTooNew);
}

// A server that turned this login away for want of the right password says so: the user
// can give it. One that knows no such login says that in its words, which libpq passes on
// without a code, as it does a login that may no longer sign in.
void PostgresConnection::refused()
{
    m_lost = true;
    const std::string said = PQerrorMessage(m_conn);
    const char* user = PQuser(m_conn);
    const bool password =
        PQconnectionNeedsPassword(m_conn) != 0 || PQconnectionUsedPassword(m_conn) != 0;
    FailureKind kind =
        password ? FailureKind::ServerPasswordNeeded : FailureKind::ServerUnreachable;
    const auto saysRole = [&](const std::string& what) {
        return user != nullptr &&
               said.find("role \"" + std::string(user) + "\" " + what) != std::string::npos;
    };
    if (saysRole("does not exist"))
        kind = FailureKind::LoginUnknown;
    else if (saysRole("is not permitted to log in"))
        kind = FailureKind::LoginDisabled;
    throw DbError(said, kind);
}

void PostgresConnection::begin(const Deadline& deadline, const char* beginStatement,
                               std::optional<std::chrono::milliseconds> eachStatement)
{
    m_deadline = deadline;
    m_eachStatement = eachStatement;
    execute(beginStatement, {});
    m_inTransaction = true;
    m_wrote = false;
}

// A link lost once COMMIT may have reached the server leaves the change's fate unknown: the
// server may have committed it and lost only the answer. A failure the server answered on a
// link that holds, or one of a transaction that wrote nothing, is an ordinary failure.
void PostgresConnection::commit()
{
    // A failed COMMIT ends the transaction too.
    m_inTransaction = false;
    // A link already broken sends nothing: the server rolls the transaction back.
    if (!linked())
        lose("the connection to the server was lost");
    try {
        execute(PostgresDialect::commit, {});
    } catch (const DbError& error) {
        if (!m_lost || !m_wrote)
            throw;
        throw DbError(error.what(), FailureKind::OutcomeUnknown);
    }
}

void PostgresConnection::rollback() noexcept
{
    if (!m_inTransaction || !linked())
        return;
    try {
        m_inTransaction = false;
        execute(PostgresDialect::rollback, {});
    } catch (...) {
        m_lost = true;
    }
}

bool PostgresConnection::usable() const
{
    return linked() && !m_inTransaction;
}

bool PostgresConnection::linked() const
{
    return !m_lost && PQstatus(m_conn) == CONNECTION_OK;
}

void PostgresConnection::abandon()
{
    // The link now leads nowhere, so that PQfinish's goodbye reaches no server.
    const int nowhere = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nowhere >= 0) {
        dup2(nowhere, PQsocket(m_conn));
        close(nowhere);
    }
    m_lost = true;
}

PostgresResult PostgresConnection::execute(const std::string& sql, const PostgresValues& values)
{
    if (m_lost)
        throw DbError("the connection to the server was lost", FailureKind::ServerUnreachable);
    if (m_eachStatement)
        m_deadline = Deadline(*m_eachStatement);
    send(sql, values);
    PostgresResult result = checked(receive());
    m_changes = std::atoi(PQcmdTuples(result.get()));
    // Every statement but a SELECT may have changed something the COMMIT would keep.
    if (m_inTransaction && std::strncmp(PQcmdStatus(result.get()), "SELECT", 6) != 0)
        m_wrote = true;
    return result;
}

std::unique_ptr<EngineStatement> PostgresConnection::prepare(const char* sql)
{
    return std::make_unique<PostgresStatement>(*this, PostgresDialect::statement(sql), false);
}

std::unique_ptr<EngineStatement> PostgresConnection::prepareInsert(const char* sql,
                                                                   const char* keyColumn)
{
    return std::make_unique<PostgresStatement>(
        *this, PostgresDialect::insertGivingKey(sql, keyColumn), true);
}

std::unique_ptr<EngineStatement> PostgresConnection::prepareRowEntries()
{
    return prepare(PostgresDialect::rowEntries);
}

std::unique_ptr<EngineStatement> PostgresConnection::prepareInsertWithKey(const char* sql)
{
    return std::make_unique<PostgresStatement>(*this, PostgresDialect::insertWithKey(sql), false);
}

long long PostgresConnection::highestKeyGiven(const char* table, const char* keyColumn)
{
    PostgresStatement given(*this, PostgresDialect::statement(PostgresDialect::highestKeyGiven),
                            false);
    given.bind(1, table);
    given.bind(2, PostgresDialect::folded(keyColumn));
    return given.step() ? given.integer(0) : 0;
}

void PostgresConnection::keysGivenUpTo(const char* table, const char* keyColumn, long long key)
{
    PostgresStatement move(*this, PostgresDialect::statement(PostgresDialect::moveKeysForward),
                           false);
    move.bind(1, table);
    move.bind(2, PostgresDialect::folded(keyColumn));
    move.bind(3, key);
    move.step();
}

// A statement without parameters goes as a simple query, which may hold several statements.
void PostgresConnection::send(const std::string& sql, const PostgresValues& values)
{
    std::vector<const char*> texts;
    texts.reserve(values.size());
    for (const auto& value : values)
        texts.push_back(value ? value->c_str() : nullptr);
    const int sent = texts.empty()
                         ? PQsendQuery(m_conn, sql.c_str())
                         : PQsendQueryParams(m_conn, sql.c_str(), static_cast<int>(texts.size()),
                                             nullptr, texts.data(), nullptr, nullptr, 0);
    if (sent == 0)
        lose(PQerrorMessage(m_conn));
    for (;;) {
        const int unsent = PQflush(m_conn);
        if (unsent == 0)
            return;
        if (unsent < 0)
            lose(PQerrorMessage(m_conn));
        if ((waitFor(POLLIN | POLLOUT) & POLLIN) != 0 && PQconsumeInput(m_conn) == 0)
            lose(PQerrorMessage(m_conn));
    }
}

// Every result of the statement, up to libpq's end mark; the first error among them, or else
// the last result, is the statement's.
PostgresResult PostgresConnection::receive()
{
    PostgresResult kept(nullptr, PQclear);
    for (;;) {
        while (PQisBusy(m_conn) != 0) {
            waitFor(POLLIN);
            if (PQconsumeInput(m_conn) == 0)
                lose(PQerrorMessage(m_conn));
        }
        PostgresResult next(PQgetResult(m_conn), PQclear);
        if (!next)
            break;
        if (!kept || !isError(kept.get()))
            kept = std::move(next);
    }
    if (!kept)
        lose(PQerrorMessage(m_conn));
    return kept;
}

short PostgresConnection::waitFor(short events)
{
    pollfd link{PQsocket(m_conn), events, 0};
    if (link.fd < 0)
        lose(PQerrorMessage(m_conn));
    for (;;) {
        const int ready = poll(&link, 1, m_deadline.remainingMs());
        if (ready > 0)
            return link.revents;
        if (ready == 0)
            lose("the server did not answer in time");
        if (errno != EINTR)
            lose("cannot wait for the server");
    }
}

PostgresResult PostgresConnection::checked(PostgresResult result)
{
    if (!isError(result.get()))
        return result;
    const std::string message = PQresultErrorMessage(result.get());
    const char* state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    if (PQstatus(m_conn) != CONNECTION_OK || PostgresDialect::endsTheSession(state))
        lose(message);
    if (PostgresDialect::isWorthRetrying(state))
        throw SerializationFailure(message);
    throw DbError(message, PostgresDialect::isDiskFull(state) ? FailureKind::DiskFull
                                                              : FailureKind::EngineFailed);
}

void PostgresConnection::lose(const std::string& why)
{
    m_lost = true;
    throw DbError(why, FailureKind::ServerUnreachable);
}
