#pragma once

#include <memory>
#include <string>
#include <vector>

struct AuditEntry;
struct sqlite3;
struct sqlite3_context;
struct sqlite3_stmt;
struct sqlite3_value;

// The records file's audit trail, kept by the program's own connection: the file holds no
// trigger (a foreign file that carries one is refused), so the connection itself watches
// every change of a table of records, keeps the row as it was (or, for an insert, as it is),
// and enters it into the chain, as store/AuditChain checks it, when the statement that made it
// is done, in the change's own transaction. Nothing is parsed for it: making a trigger in
// every operation took longer than most changes do.
class FileAuditTrail
{
public:
    // Watches the connection, whose file stands at the current step.
    explicit FileAuditTrail(sqlite3* db);
    ~FileAuditTrail();
    FileAuditTrail(const FileAuditTrail&) = delete;
    FileAuditTrail& operator=(const FileAuditTrail&) = delete;

    // Before the statement is prepared: the view through which access is entered, if the
    // statement names it, unless made already.
    void prepareFor(const char* sql);

    // After a statement that writes is done: the changes it made, entered at the end of the
    // chain, the rows it changed counted for statementChanges(). Throws as the connection's
    // statements fail.
    void statementDone();
    // The changes not yet entered, as statementDone() enters them.
    void enterChanges();
    // The rows the last statement done changed: the entries are rows too, which the engine
    // counts as the last statement's.
    int statementChanges() const { return m_statementChanges; }
    // After a statement failed, which undid its changes: nothing of them is entered.
    void forgetChanges();

    // The view through which access to the records is entered.
    static const char* accessView;

private:
    // A change seen, not yet entered.
    struct Change;

    static void watch(void* trail, sqlite3* db, int operation, const char* database,
                      const char* table, long long oldKey, long long newKey);
    static void enterAccess(sqlite3_context* context, int count, sqlite3_value** values);
    void keep(int operation, const char* table, long long rowid);
    // The entry after the last entry's hash, by who acts and where, with its own hash; the
    // engine's code of the failure, or SQLITE_OK.
    int enter(AuditEntry& entry, sqlite3_value* patient);

    sqlite3* m_db;
    std::vector<Change> m_changes;
    std::string m_unkept; // why a change could not be kept, failing the statement's entries
    bool m_accessMade = false;
    int m_statementChanges = 0;
    sqlite3_stmt* m_lastHash = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};
