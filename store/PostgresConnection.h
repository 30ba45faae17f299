#pragma once

#include "store/Connection.h"
#include "store/Deadline.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

// One statement's result, cleared when it goes.
using PostgresResult = std::unique_ptr<pg_result, void (*)(pg_result*)>;
// The parameters of one statement in text form; a parameter never bound is NULL.
using PostgresValues = std::vector<std::optional<std::string>>;

// A connection to the clinic's server. It serves one operation after another, each one
// transaction, until it can no longer be trusted: a wait that ran out or a broken link leave it
// lost, and it is not used again. Every wait ends by the operation's deadline; libpq is only
// ever asked for what it can do without blocking.
class PostgresConnection : public Connection
{
public:
    // A password, when not empty, overrides any that the connection string or libpq's
    // password file gives.
    PostgresConnection(const std::string& connection, const std::string& password,
                       const Deadline& deadline);
    ~PostgresConnection() override;
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    // Opens a transaction with the statement that starts it (the dialect's begin or
    // beginReading). Its waits end by the deadline, or, with `eachStatement`, each statement's
    // waits by a deadline of that length from when the statement is sent.
    void begin(const Deadline& deadline, const char* beginStatement,
               std::optional<std::chrono::milliseconds> eachStatement = std::nullopt);
    void commit();
    // Undoes the transaction, if the connection can still be used.
    void rollback() noexcept;
    // Neither lost nor halfway through an operation.
    bool usable() const;
    // For a connection inherited through fork(): lets go of this process's copy of the link
    // without a word to the server, which goes on serving the process that made it.
    void abandon();

    PostgresResult execute(const std::string& sql, const PostgresValues& values);
    void noteInsertedKey(long long key) { m_lastInsertId = key; }

    std::unique_ptr<EngineStatement> prepare(const char* sql) override;
    std::unique_ptr<EngineStatement> prepareInsert(const char* sql, const char* keyColumn) override;
    std::unique_ptr<EngineStatement> prepareInsertWithKey(const char* sql) override;
    long long highestKeyGiven(const char* table, const char* keyColumn) override;
    void keysGivenUpTo(const char* table, const char* keyColumn, long long key) override;
    std::unique_ptr<EngineStatement> prepareRowEntries() override;
    long long lastInsertId() const override { return m_lastInsertId; }
    int changes() const override { return m_changes; }

private:
    bool linked() const;
    void connect(const std::string& connection, const std::string& password);
    [[noreturn]] void refused();
    void requireCurrentStep();
    void send(const std::string& sql, const PostgresValues& values);
    PostgresResult receive();
    short waitFor(short events);
    PostgresResult checked(PostgresResult result);
    [[noreturn]] void lose(const std::string& why);

    pg_conn* m_conn = nullptr;
    Deadline m_deadline;
    std::optional<std::chrono::milliseconds> m_eachStatement;
    bool m_lost = false;
    bool m_inTransaction = false;
    // Whether the open transaction ran anything but reading.
    bool m_wrote = false;
    long long m_lastInsertId = 0;
    int m_changes = 0;
};
