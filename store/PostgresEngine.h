#pragma once

#include "store/Engine.h"
#include "store/PostgresConnection.h"

#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

// The records on a PostgreSQL server that the clinic's desks share. Connections stay open
// between operations and serve the next one; an operation that finds its connection gone
// makes a new one.
class PostgresEngine : public Engine
{
public:
    // How long an operation may take before it fails, waits for the server included: short
    // enough that the screen shows its message within five seconds. An operation that loses to
    // others running at the same time is run again for as long as this lasts: at many busy
    // desks, one can lose several times in a row.
    static constexpr std::chrono::milliseconds operationTimeout{4500};
    // Work on the whole records that lost to a desk's operation is run again this many times
    // at most: it is long, and the desks' operations are short and go on meanwhile.
    static constexpr int wholeRecordsRuns = 3;

    // `connection` is a libpq connection string; a password, when given, overrides any in it.
    PostgresEngine(std::string connection, std::string password);
    ~PostgresEngine() override;

    const std::string& connection() const { return m_connection; }
    const std::string& password() const { return m_password; }

    bool transact(const std::function<bool(Connection&)>& work, Intent intent,
                  Span span) override;
    void accept(Visitor& visitor) const override { visitor.visit(*this); }

private:
    // A connection with the operation's transaction begun on it: an idle one, or a new one.
    std::unique_ptr<PostgresConnection> startTransaction(const Deadline& deadline, Intent intent,
                                                         Span span);
    // Whether work that lost to another transaction in its run `run` is to be run again.
    static bool runAgain(int run, const Deadline& deadline, Span span);
    std::unique_ptr<PostgresConnection> idleConnection();
    void keep(std::unique_ptr<PostgresConnection> connection);

    std::string m_connection;
    std::string m_password;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<PostgresConnection>> m_idle;
    // The process that made the idle connections: a child made by fork() must not use them.
    pid_t m_owner;
};
