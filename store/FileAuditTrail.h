#pragma once

#include <set>
#include <string>

struct AuditEntry;
struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

// The records file's audit trail, kept by the program's own connection: the file holds no
// trigger (a foreign file that carries one is refused), so each connection that changes the
// records makes temporary triggers of its own, which enter every change of a table of records
// in the change's own transaction, hashed into the chain as store/AuditChain checks it.
// Making a trigger takes longer than most changes do, so each table's triggers are made only
// when a statement of the operation first names the table, and each is a single call of a
// function of the connection, which enters the entry by statements prepared once.
class FileAuditTrail
{
public:
    // Gives the connection, whose file stands at the current step, the functions the triggers
    // call.
    explicit FileAuditTrail(sqlite3* db);
    ~FileAuditTrail();
    FileAuditTrail(const FileAuditTrail&) = delete;
    FileAuditTrail& operator=(const FileAuditTrail&) = delete;

    // Before the statement is prepared: the triggers of the changes it can make to each table
    // of records it names, and the view through which access is entered if it names that,
    // unless made already.
    void prepareFor(const char* sql);

    // The view through which access to the records is entered.
    static const char* accessView;

private:
    static void enterChange(sqlite3_context* context, int count, sqlite3_value** values);
    static void enterAccess(sqlite3_context* context, int count, sqlite3_value** values);
    // The entry, its action, table, record, patient and details given, at the end of the
    // chain: after the last entry's hash, at this time, by who acts and where, with its own
    // hash.
    void enter(sqlite3_context* context, AuditEntry& entry, sqlite3_value* patient);
    void fail(sqlite3_context* context) const;
    void make(const std::string& name, const std::string& statements);

    sqlite3* m_db;
    std::set<std::string> m_made;
    sqlite3_stmt* m_lastHash = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};
