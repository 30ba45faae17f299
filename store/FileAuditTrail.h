#pragma once

#include <set>
#include <string>

struct sqlite3;

// The records file's audit trail, kept by the program's own connection: the file holds no
// trigger (a foreign file that carries one is refused), so each connection that changes the
// records makes temporary triggers of its own, which enter every change of a table of records
// in the change's own transaction, hashed into the chain as records/AuditChain checks it.
// Making a trigger takes longer than most changes do, so each table's triggers are made only
// when a statement of the operation first names the table.
class FileAuditTrail
{
public:
    // Gives the connection, whose file stands at the current step, the functions the triggers
    // call.
    explicit FileAuditTrail(sqlite3* db);

    // Before the statement is prepared: the triggers of the changes it can make to each table
    // of records it names, and the view through which access is entered if it names that,
    // unless made already.
    void prepareFor(const char* sql);

    // Who acts, as the trail names them: the user signed in, else the computer's account.
    static const char* userFunction;
    // The computer, as the trail names the desk.
    static const char* deskFunction;
    // The SHA-256 of a text's UTF-8 bytes, in lowercase hex.
    static const char* hashFunction;
    // The view through which access to the records is entered.
    static const char* accessView;

private:
    void make(const std::string& name, const std::string& statements);

    sqlite3* m_db;
    std::set<std::string> m_made;
};
