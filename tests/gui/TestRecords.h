#pragma once

#include <QString>
#include <string>

struct pg_conn;

// The records of one test session: a copy of the supplied empty records file in the
// session's folder, or, when MEDORA_TEST_ENGINE is "server" (as ctest sets it for each
// program's ".server" run), Medora's tables set up anew in a schema of their own on the tests'
// throwaway PostgreSQL server, which MEDORA_DATABASE then names for the program.
class TestRecords {
public:
    static bool onServer();
    // The records of the session that runs now.
    static TestRecords& current();

    explicit TestRecords(const QString& folder);
    ~TestRecords();
    TestRecords(const TestRecords&) = delete;
    TestRecords& operator=(const TestRecords&) = delete;

    // Runs SQL on the records with every right, as another program would; false when it failed.
    bool run(const std::string& sql);
    // The first value the SQL gives on the server, or empty; empty on the file.
    std::string serverValue(const std::string& sql);
    // From now on every row that a statement ("INSERT", "UPDATE" or "DELETE") would write to
    // the table makes the statement fail.
    bool refuse(const std::string& statement, const std::string& table);
    // Puts the records out of the program's reach (the file is renamed, or the program is
    // pointed at a database the server does not have), and back.
    void takeAway();
    void bringBack();

private:
    void setUpOnServer();
    bool runOnServer(const std::string& sql);
    std::string serverConnection(const std::string& user) const;
    QString file() const;

    QString folder;
    std::string serverFolder;
    std::string schema;
    pg_conn* admin = nullptr;
};
