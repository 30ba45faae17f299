#pragma once

#include <memory>
#include <string>

struct pg_conn;
struct sqlite3;
struct sqlite3_stmt;

// Another program in the middle of its own work on the records, holding them until it lets go.
class RecordsHolder
{
public:
    // An SQLite connection to the file in the current directory, inside a transaction that has
    // begun to run `sql`: a reader or a writer.
    static std::unique_ptr<RecordsHolder> onFile(const char* sql);
    // A server session of the login that `connection` names, inside a serializable transaction
    // that has run `sql`: by default, all of Medora's tables locked for itself, as a program
    // rebuilding them would.
    static std::unique_ptr<RecordsHolder> onServer(const std::string& connection,
                                                   const std::string& sql = everyTableLocked);

    static const std::string everyTableLocked;

    ~RecordsHolder();
    RecordsHolder(const RecordsHolder&) = delete;
    RecordsHolder& operator=(const RecordsHolder&) = delete;

    // Ends the transaction; what it wrote stays.
    void letGo();
    // Ends the transaction and, on the same connection, begins another that runs `sql`.
    void holdAgain(const std::string& sql);

private:
    RecordsHolder() = default;

    sqlite3* m_file = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    pg_conn* m_server = nullptr;
    bool m_holdingTables = false;
};
