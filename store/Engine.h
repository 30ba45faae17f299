#pragma once

#include "store/Connection.h"

#include <functional>
#include <memory>
#include <string>

class PostgresEngine;
class SqliteEngine;

// Where the records are kept. Each engine knows how its connections are made, how a
// transaction starts and ends, and what it does when one cannot go through at once.
class Engine
{
public:
    virtual ~Engine() = default;

    // What a transaction does with the records: an engine may let transactions that only read
    // run beside the others more freely.
    enum class Intent { Change, Read };
    // How long the transaction may take. A desk's operation is bounded as a whole, so that the
    // screen answers within seconds; work on the whole records (an export or an import of
    // every record) takes as long as the records need, each of its statements bounded as a
    // desk's operation is, so that it still never waits forever on the engine.
    enum class Span { Desk, WholeRecords };

    // Runs work as one transaction on a connection of this engine: committed when work
    // returns true, undone when it returns false or throws. Engine failures throw DbError.
    // An engine may run work again after undoing it, so work starts from the same state each
    // time.
    virtual bool transact(const std::function<bool(Connection&)>& work, Intent intent,
                          Span span) = 0;

    // Whole-database work (backup, restore, rescue) is done differently on each engine: the
    // engine in use tells it which one it is given, without being asked.
    class Visitor
    {
    public:
        virtual ~Visitor() = default;
        virtual void visit(const SqliteEngine& file) = 0;
        virtual void visit(const PostgresEngine& server) = 0;
    };
    virtual void accept(Visitor& visitor) const = 0;

    // The engine of the next operation: the clinic's server when MEDORA_DATABASE or the
    // per-user setting names one, this computer's records file otherwise.
    static std::shared_ptr<Engine> current();
    // This computer's records file. The program and its tools name it when they start, with
    // the folder it is in; until then it is Database::fileName in whatever folder the
    // process works in, as the tests and benchmarks that make a folder of their own want.
    static void setRecordsFile(const std::string& path);
    static std::string recordsFile();
    // The per-user setting: a libpq connection string, or empty for this computer's file.
    // MEDORA_DATABASE, when set, wins over it.
    static void setServerSetting(const std::string& connection);
    // The connection string of the server in use, as the login signed in at this desk
    // connects; empty while the records are the file.
    static std::string serverConnection();
    // The login a person signed in as, in place of the user the connection string names;
    // empty for that user. Kept for as long as the program runs, like the password.
    static void setServerLogin(const std::string& login);
    // The login the server connection signs in with: the one signed in, else the user the
    // connection string names, else the computer account's name, as libpq chooses.
    static std::string serverLogin();
    // The password the user gave when the server asked for one that libpq's password file
    // does not hold; kept in memory only, for as long as the program runs.
    static void setServerPassword(const std::string& password);
    static std::string serverPassword();
    // Whether the server that `connection` names answers and holds Medora's records, as a
    // "Test connection" button asks; LastFailure tells why not. A password, when given, is
    // tried in place of the one the user gave before.
    static bool testServer(const std::string& connection, const std::string& password = {});
};
