#include "bench/BenchServer.h"

#include "bench/KeptClinic.h"
#include "store/SchemaSteps.h"
#include "tools/ServerSetup.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

using Server = std::unique_ptr<PGconn, void (*)(PGconn*)>;
using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

// What the records files hold, table by table; the name lists' order is SQLite's rowid.
const char* const tableCopies[][2] = {
    {"patient_info", "SELECT * FROM patient_info"},
    {"complaints", "SELECT * FROM complaints"},
    {"history_entries", "SELECT * FROM history_entries"},
    {"patient_medications", "SELECT * FROM patient_medications"},
    {"tests", "SELECT * FROM tests"},
    {"meds_list", "SELECT rowid, name FROM meds_list"},
    {"tests_list", "SELECT rowid, name FROM tests_list"},
    {"clinic_info", "SELECT * FROM clinic_info"},
};

// The key columns the server numbers, in lower case as the server keeps them.
const char* const keyColumns[][2] = {
    {"patient_info", "id"},
    {"complaints", "compl_id"},
    {"history_entries", "entry_id"},
    {"patient_medications", "medication_id"},
    {"tests", "test_id"},
    {"meds_list", "rowid"},
    {"tests_list", "rowid"},
};

int freeLoopbackPort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (probe < 0 || bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free port on the loopback address");
    close(probe);
    return ntohs(address.sin_port);
}

// The server's notices (a DROP of nothing) are no news here.
void ignoreNotice(void*, const char*) {}

Server connect(const std::string& connection)
{
    Server server(PQconnectdb(connection.c_str()), PQfinish);
    if (PQstatus(server.get()) != CONNECTION_OK)
        throw std::runtime_error(PQerrorMessage(server.get()));
    PQsetNoticeProcessor(server.get(), ignoreNotice, nullptr);
    return server;
}

Result execute(PGconn* server, const std::string& sql, ExecStatusType expected)
{
    Result result(PQexec(server, sql.c_str()), PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != expected && status != PGRES_TUPLES_OK)
        throw std::runtime_error(sql + ": " + PQerrorMessage(server));
    return result;
}

// A value in COPY's text form.
void appendCopyText(std::string& out, const char* text)
{
    for (const char* c = text; *c != '\0'; ++c) {
        switch (*c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += *c;
        }
    }
}

void send(PGconn* server, std::string& rows)
{
    if (PQputCopyData(server, rows.data(), static_cast<int>(rows.size())) != 1)
        throw std::runtime_error(PQerrorMessage(server));
    rows.clear();
}

void copyTable(sqlite3* file, PGconn* server, const char* table, const char* select)
{
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(file, select, -1, &rows, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(file));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(rows, sqlite3_finalize);
    const int columns = sqlite3_column_count(rows);
    std::string names;
    for (int c = 0; c < columns; ++c)
        names += (c != 0 ? ", " : "") + std::string(sqlite3_column_name(rows, c));
    execute(server, "COPY " + std::string(table) + " (" + names + ") FROM STDIN", PGRES_COPY_IN);
    std::string batch;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows, c));
            if (text != nullptr)
                appendCopyText(batch, text);
            else
                batch += "\\N";
            batch += c + 1 < columns ? '\t' : '\n';
        }
        if (batch.size() > (1 << 20))
            send(server, batch);
    }
    send(server, batch);
    if (PQputCopyEnd(server, nullptr) != 1)
        throw std::runtime_error(PQerrorMessage(server));
    Result done(PQgetResult(server), PQclear);
    if (PQresultStatus(done.get()) != PGRES_COMMAND_OK)
        throw std::runtime_error(std::string(table) + ": " + PQerrorMessage(server));
    while (Result(PQgetResult(server), PQclear)) {
    }
}

// The rows of the records file, with the server's numbering going on after the highest key.
void copyClinic(const std::string& file, PGconn* server)
{
    sqlite3* records = nullptr;
    if (sqlite3_open_v2(file.c_str(), &records, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + file);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> close(records, sqlite3_close);
    execute(server, "BEGIN", PGRES_COMMAND_OK);
    execute(server, "DELETE FROM clinic_info", PGRES_COMMAND_OK);
    for (const auto& [table, select] : tableCopies)
        copyTable(records, server, table, select);
    for (const auto& [table, key] : keyColumns)
        execute(server,
                "SELECT setval(pg_get_serial_sequence('" + std::string(table) + "', '" + key +
                    "'), coalesce(max(" + key + "), 0) + 1, false) FROM " + table,
                PGRES_TUPLES_OK);
    execute(server, "COMMIT", PGRES_COMMAND_OK);
}

} // namespace

BenchServer& BenchServer::shared()
{
    static BenchServer server;
    return server;
}

BenchServer::BenchServer()
    : m_folder(std::string(MEDORA_BENCH_DATA_DIR) + "/server"), m_port(freeLoopbackPort())
{
    fs::create_directories(m_folder);
    const std::string start = std::string(MEDORA_BENCH_SERVER_SCRIPT) + " start '" + m_folder +
                              "' " + std::to_string(m_port);
    if (std::system(start.c_str()) != 0)
        throw std::runtime_error("cannot start the benchmarks' server: " + start);
}

BenchServer::~BenchServer()
{
    const std::string stop = std::string(MEDORA_BENCH_SERVER_SCRIPT) + " stop '" + m_folder + "'";
    std::system(stop.c_str());
}

std::string BenchServer::connection(const std::string& database, const std::string& user) const
{
    return "host=127.0.0.1 port=" + std::to_string(m_port) + " dbname=" + database +
           " user=" + user;
}

void BenchServer::administer(const std::string& database, const std::string& sql) const
{
    execute(connect(connection(database, "postgres")).get(), sql, PGRES_COMMAND_OK);
}

// A database is marked filled once the whole clinic is in it, at the schema step the program
// keeps its records at: a clinic filled by an earlier program is filled again.
static std::string filledMark()
{
    return "filled at step " + std::to_string(SchemaSteps::current());
}

bool BenchServer::filled(const std::string& database) const
{
    const Server server = connect(connection("postgres", "postgres"));
    const Result mark = execute(server.get(),
                                "SELECT shobj_description(oid, 'pg_database') FROM pg_database"
                                " WHERE datname = '" +
                                    database + "'",
                                PGRES_TUPLES_OK);
    return PQntuples(mark.get()) == 1 && PQgetvalue(mark.get(), 0, 0) == filledMark();
}

void BenchServer::fill(int patients, const std::string& database) const
{
    const fs::path previous = fs::current_path();
    enterKeptClinic("clinic-" + std::to_string(patients), patients);
    const std::string file = (fs::current_path() / "clinic_db.mdb").string();
    fs::current_path(previous);

    administer("postgres", "DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
    administer("postgres", "CREATE DATABASE " + database);
    ServerSetup setup(connection(database, "postgres"));
    if (!setup.init())
        throw std::runtime_error("cannot set up " + database);
    administer("postgres",
               "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname ="
               " 'desk') THEN CREATE ROLE desk LOGIN; END IF;"
               " IF NOT pg_has_role('desk', 'medora_admin', 'MEMBER') THEN"
               " GRANT medora_admin TO desk; END IF; END $$");
    copyClinic(file, connect(connection(database, "postgres")).get());
    if (!setup.fillSearchKeys())
        throw std::runtime_error("cannot make the search keys of " + database);
    // As a server that has been in use a while: statistics gathered, the rows marked visible.
    administer(database, "VACUUM ANALYZE");
    administer("postgres", "COMMENT ON DATABASE " + database + " IS '" + filledMark() + "'");
}

std::string BenchServer::clinic(int patients)
{
    const std::string database = "clinic_" + std::to_string(patients);
    if (!filled(database))
        fill(patients, database);
    return connection(database, "desk");
}

void BenchServer::warm(int patients) const
{
    const std::string database = "clinic_" + std::to_string(patients);
    const Server server = connect(connection("postgres", "postgres"));
    const Result folder =
        execute(server.get(), "SELECT oid FROM pg_database WHERE datname = '" + database + "'",
                PGRES_TUPLES_OK);
    if (PQntuples(folder.get()) != 1)
        throw std::runtime_error("no clinic of " + std::to_string(patients) + " patients");
    for (const auto& file :
         fs::directory_iterator(fs::path(m_folder) / "data/base" / PQgetvalue(folder.get(), 0, 0)))
        readWhole(file.path());
    // A server given the memory to hold the whole clinic holds it in its own buffers as well.
    administer(database, "CREATE EXTENSION IF NOT EXISTS pg_prewarm");
    administer(database, "SELECT pg_prewarm(oid) FROM pg_class WHERE relnamespace ="
                         " current_schema()::regnamespace AND relkind IN ('r', 'i')"
                         " AND pg_database_size(current_database()) <"
                         " pg_size_bytes(current_setting('shared_buffers'))");
}

void BenchServer::dropCopy(const std::string& name)
{
    administer("postgres", "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

std::string BenchServer::ownerConnection(const std::string& database) const
{
    return connection(database, "postgres");
}

void BenchServer::asOwner(const std::string& database, const std::string& sql) const
{
    administer(database, sql);
}

bool BenchServer::hasCopy(const std::string& name) const
{
    const Server server = connect(connection("postgres", "postgres"));
    const char* values[] = {name.c_str()};
    const Result found(PQexecParams(server.get(), "SELECT 1 FROM pg_database WHERE datname = $1",
                                    1, nullptr, values, nullptr, nullptr, 0),
                       &PQclear);
    return PQntuples(found.get()) == 1;
}

std::string BenchServer::copyOfClinic(int patients, const std::string& name)
{
    clinic(patients);
    dropCopy(name);
    // A copy of the files rather than of their contents through the server's log: far faster
    // for a clinic of a gigabyte.
    administer("postgres", "CREATE DATABASE " + name + " TEMPLATE clinic_" +
                               std::to_string(patients) + " STRATEGY FILE_COPY");
    return connection(name, "desk");
}
