#include "store/PostgresEngine.h"

#include "store/PostgresDialect.h"
#include "store/SerializationFailure.h"

#include <unistd.h>

#include <algorithm>
#include <random>
#include <thread>

namespace {

// A short pause before running again an operation that lost to another, longer each time up to
// a limit and never the same at two desks, so that the two do not meet again at once.
void pauseBeforeAttempt(int attempt, const Deadline& deadline)
{
    thread_local std::minstd_rand random(std::random_device{}());
    const int most = std::min(5 * attempt, 50);
    const int pause = std::uniform_int_distribution(1, most)(random);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(pause, deadline.remainingMs())));
}

} // namespace

PostgresEngine::PostgresEngine(std::string connection, std::string password)
    : m_connection(std::move(connection)), m_password(std::move(password)), m_owner(getpid())
{}

PostgresEngine::~PostgresEngine()
{
    if (getpid() != m_owner)
        for (auto& connection : m_idle)
            connection->abandon();
}

bool PostgresEngine::transact(const std::function<bool(Connection&)>& work, Intent intent,
                              Span span)
{
    const Deadline deadline(operationTimeout);
    for (int run = 1;; ++run) {
        // A desk's operation has one deadline for all its runs; work on the whole records one
        // for starting each run.
        const Deadline start = span == Span::Desk ? deadline : Deadline(operationTimeout);
        std::unique_ptr<PostgresConnection> connection = startTransaction(start, intent, span);
        bool done = false;
        try {
            done = work(*connection);
            if (done)
                connection->commit();
            else
                connection->rollback();
        } catch (const SerializationFailure&) {
            connection->rollback();
            keep(std::move(connection));
            if (!runAgain(run, deadline, span))
                throw;
            pauseBeforeAttempt(run, start);
            continue;
        } catch (...) {
            connection->rollback();
            keep(std::move(connection));
            throw;
        }
        keep(std::move(connection));
        return done;
    }
}

bool PostgresEngine::runAgain(int run, const Deadline& deadline, Span span)
{
    return span == Span::Desk ? !deadline.passed() : run < wholeRecordsRuns;
}

// Work on the whole records bounds each statement rather than the whole: its connection waits
// no longer for any one answer than a desk's operation does for all of them.
std::unique_ptr<PostgresConnection> PostgresEngine::startTransaction(const Deadline& deadline,
                                                                     Intent intent, Span span)
{
    const char* begin =
        intent == Intent::Read ? PostgresDialect::beginReading : PostgresDialect::begin;
    const std::optional<std::chrono::milliseconds> eachStatement =
        span == Span::WholeRecords ? std::optional(operationTimeout) : std::nullopt;
    if (std::unique_ptr<PostgresConnection> idle = idleConnection()) {
        try {
            idle->begin(deadline, begin, eachStatement);
            return idle;
        } catch (const DbError&) {
            // An idle connection may have died with a restart of the server since; nothing
            // has been done yet, so a new one starts over.
            if (idle->usable())
                throw;
        }
    }
    auto connection = std::make_unique<PostgresConnection>(m_connection, m_password, deadline);
    connection->begin(deadline, begin, eachStatement);
    return connection;
}

std::unique_ptr<PostgresConnection> PostgresEngine::idleConnection()
{
    const std::lock_guard lock(m_mutex);
    if (getpid() != m_owner) {
        for (auto& connection : m_idle)
            connection->abandon();
        m_idle.clear();
        m_owner = getpid();
    }
    if (m_idle.empty())
        return nullptr;
    std::unique_ptr<PostgresConnection> connection = std::move(m_idle.back());
    m_idle.pop_back();
    return connection;
}

// Only a connection that can serve again is kept; any other goes, closing its link.
void PostgresEngine::keep(std::unique_ptr<PostgresConnection> connection)
{
    if (!connection->usable())
        return;
    const std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(connection));
}
