#include "TestRecords.h"

#include "store/AccessWriter.h"
#include "tools/ServerSetup.h"

#include <QFile>
#include <QtGlobal>
#include <fstream>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

TestRecords* running = nullptr;

// The schema's notices (a DROP that cascades) are no news to the tests.
void ignoreNotice(void*, const char*) {}

} // namespace

bool TestRecords::onServer() {
    return qEnvironmentVariable("MEDORA_TEST_ENGINE") == "server";
}

TestRecords& TestRecords::current() {
    if (!running)
        qFatal("no test session runs");
    return *running;
}

TestRecords::TestRecords(const QString& folder) : folder(folder) {
    qunsetenv("MEDORA_DATABASE");
    if (onServer())
        setUpOnServer();
    else if (!QFile::copy(MEDORA_EMPTY_DB, file()) ||
             !QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner))
        qFatal("cannot copy the empty records database");
    running = this;
}

TestRecords::~TestRecords() {
    running = nullptr;
    qunsetenv("MEDORA_DATABASE");
    if (!admin)
        return;
    runOnServer("DROP SCHEMA " + schema + " CASCADE");
    PQfinish(admin);
}

// A schema of the session's own in the server's test database, set up as medora-admin sets up
// a clinic's records, and reached by the program as a desk's login reaches it.
void TestRecords::setUpOnServer() {
    std::getline(std::ifstream(MEDORA_TEST_SERVER_STATE), serverFolder);
    if (serverFolder.empty())
        qFatal("no test server: ctest starts one, or tests/store/test-server start %s "
               "<medora-admin>",
               MEDORA_TEST_SERVER_STATE);
    static int made = 0;
    schema = "gui_" + std::to_string(getpid()) + "_" + std::to_string(++made);
    admin = PQconnectdb(serverConnection("postgres").c_str());
    if (PQstatus(admin) != CONNECTION_OK)
        qFatal("cannot reach the test server: %s", PQerrorMessage(admin));
    PQsetNoticeProcessor(admin, ignoreNotice, nullptr);
    if (!runOnServer("CREATE SCHEMA " + schema))
        qFatal("cannot make the schema %s: %s", schema.c_str(), PQerrorMessage(admin));
    ServerSetup setup(serverConnection("postgres"));
    if (!setup.init())
        qFatal("cannot set up the records: %s", setup.problems().front().c_str());
    bringBack();
}

std::string TestRecords::serverConnection(const std::string& user) const {
    return "host=" + serverFolder + " dbname=medora_tests user=" + user +
           " options='-c search_path=" + schema + "'";
}

QString TestRecords::file() const {
    return folder + "/clinic_db.mdb";
}

// What the test does to the records behind the program's back comes after the entries of what
// the program opened, which its own thread may still be entering.
bool TestRecords::run(const std::string& sql) {
    AccessWriter::drain();
    if (admin)
        return runOnServer(sql);
    sqlite3* db = nullptr;
    const bool done = sqlite3_open_v2(QFile::encodeName(file()).constData(), &db,
                                      SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                      sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

std::string TestRecords::serverValue(const std::string& sql) {
    if (!admin)
        return {};
    PGresult* result = PQexec(admin, sql.c_str());
    const bool found = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0;
    const std::string value = found ? PQgetvalue(result, 0, 0) : "";
    PQclear(result);
    return value;
}

bool TestRecords::runOnServer(const std::string& sql) {
    PGresult* result = PQexec(admin, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

bool TestRecords::refuse(const std::string& statement, const std::string& table) {
    const std::string trigger = "refuse_" + statement + "_" + table;
    if (!admin)
        return run("CREATE TRIGGER " + trigger + " BEFORE " + statement + " ON " + table +
                   " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    return run("CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
               "$$BEGIN RAISE EXCEPTION 'refused'; END$$") &&
           run("CREATE TRIGGER " + trigger + " BEFORE " + statement + " ON " + table +
               " FOR EACH ROW EXECUTE FUNCTION refuse()");
}

void TestRecords::takeAway() {
    AccessWriter::drain();
    if (!admin) {
        QFile::rename(file(), file() + ".away");
        return;
    }
    const std::string nowhere = "host=" + serverFolder + " dbname=no_such_records user=desk";
    qputenv("MEDORA_DATABASE", QByteArray::fromStdString(nowhere));
}

void TestRecords::bringBack() {
    if (!admin) {
        QFile::rename(file() + ".away", file());
        return;
    }
    qputenv("MEDORA_DATABASE", QByteArray::fromStdString(serverConnection("desk")));
}
