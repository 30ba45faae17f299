#include "TestDatabase.h"

#include "store/LastFailure.h"
#include "store/store.h"
#include "tools/ServerSetup.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const tables[] = {"patient_info",        "complaints", "history_entries",
                              "patient_medications", "meds_list",  "tests",
                              "tests_list",          "clinic_info"};

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The schema's notices (a DROP that cascades) are no news to the tests.
void ignoreNotice(void*, const char*) {}

// The folder of the server that the test set-up started, or nothing.
std::string testServerFolder()
{
    std::string folder;
    std::getline(std::ifstream(MEDORA_TEST_SERVER_STATE), folder);
    return folder;
}

} // namespace

std::string engineName(const ::testing::TestParamInfo<TestEngine>& engine)
{
    return engine.param == TestEngine::File ? "File" : "Server";
}

void TestDatabase::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "medora-store-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_previous = fs::current_path();
    fs::current_path(m_dir);
    unsetenv("MEDORA_DATABASE");
    if (!onServer()) {
        fs::copy_file(MEDORA_EMPTY_DB, m_dir / "clinic_db.mdb");
        return;
    }
    m_serverFolder = testServerFolder();
    if (m_serverFolder.empty())
        GTEST_SKIP() << "no test server: ctest starts one, or tests/store/test-server start "
                     << MEDORA_TEST_SERVER_STATE << " <medora-admin>";
    setUpServerRecords();
}

void TestDatabase::TearDown()
{
    unsetenv("MEDORA_DATABASE");
    if (m_admin != nullptr) {
        queryServer("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE");
        PQfinish(m_admin);
        m_admin = nullptr;
    }
    fs::current_path(m_previous);
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(m_dir);
}

// A schema of the test's own in the server's test database, set up as medora-admin sets up
// a clinic's records, and reached by the store as a desk's login reaches it.
void TestDatabase::setUpServerRecords()
{
    if (m_admin == nullptr) {
        static int made = 0;
        m_schema = "test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
        m_admin = PQconnectdb(serverConnection("postgres").c_str());
        ASSERT_EQ(PQstatus(m_admin), CONNECTION_OK) << PQerrorMessage(m_admin);
        PQsetNoticeProcessor(m_admin, ignoreNotice, nullptr);
    }
    queryServer("DROP SCHEMA IF EXISTS " + m_schema + " CASCADE");
    queryServer("CREATE SCHEMA " + m_schema);
    ServerSetup setup(serverConnection("postgres"));
    ASSERT_TRUE(setup.init()) << ::testing::PrintToString(setup.problems());
    setenv("MEDORA_DATABASE", serverConnection("desk").c_str(), 1);
}

std::string TestDatabase::serverConnection(const std::string& user) const
{
    return "host=" + m_serverFolder + " dbname=medora_tests user=" + user +
           " options='-c search_path=" + m_schema + "'";
}

std::vector<std::string> TestDatabase::query(const std::string& sql)
{
    if (onServer())
        return queryServer(sql);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("clinic_db.mdb", &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open the test database");
    }
    std::vector<std::string> rows;
    char* error = nullptr;
    const auto collect = [](void* out, int columns, char** values, char**) {
        std::string row;
        for (int i = 0; i < columns; ++i)
            row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
        static_cast<std::vector<std::string>*>(out)->push_back(row);
        return 0;
    };
    const int rc = sqlite3_exec(db, sql.c_str(), collect, &rows, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(message);
    return rows;
}

std::vector<std::string> TestDatabase::queryServer(const std::string& sql)
{
    PGresult* result = PQexec(m_admin, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    std::vector<std::string> rows;
    for (int r = 0; status == PGRES_TUPLES_OK && r < PQntuples(result); ++r) {
        std::string row;
        for (int c = 0; c < PQnfields(result); ++c)
            row += (c ? "|" : "") +
                   std::string(PQgetisnull(result, r, c) ? "NULL" : PQgetvalue(result, r, c));
        rows.push_back(row);
    }
    const std::string message = PQresultErrorMessage(result);
    PQclear(result);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(message);
    return rows;
}

long long TestDatabase::count(const std::string& table, const std::string& where)
{
    return std::stoll(query("SELECT count(*) FROM " + table + " WHERE " + where).at(0));
}

std::string TestDatabase::addPatient(const std::string& firstName, const std::string& lastName)
{
    PatientRecord record;
    EXPECT_TRUE(record.Add(firstName, lastName, DateTime::fromCivil(1980, 5, 17), 1,
                           "1 Main St\nSpringfield", "555-0101"))
        << LastFailure::message();
    return record.m_id;
}

std::string TestDatabase::snapshot()
{
    if (!onServer())
        return fileBytes("clinic_db.mdb");
    std::string rows;
    for (const char* table : tables)
        for (const std::string& row : query(std::string("SELECT * FROM ") + table + " ORDER BY 1"))
            rows += std::string(table) + ": " + row + "\n";
    return rows;
}

void TestDatabase::resetRecords()
{
    if (!onServer()) {
        fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb", fs::copy_options::overwrite_existing);
        return;
    }
    setUpServerRecords();
}

void TestDatabase::removeRecords()
{
    if (!onServer()) {
        fs::remove("clinic_db.mdb");
        return;
    }
    const std::string nowhere = "host=" + m_serverFolder + " dbname=no_such_records user=desk";
    setenv("MEDORA_DATABASE", nowhere.c_str(), 1);
}

// After removeRecords(): whether anything made them again.
bool TestDatabase::recordsExist()
{
    if (!onServer())
        return fs::exists("clinic_db.mdb");
    return !queryServer("SELECT 1 FROM pg_database WHERE datname = 'no_such_records'").empty();
}
