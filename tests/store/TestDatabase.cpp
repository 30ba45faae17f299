#include "TestDatabase.h"

#include "store/store.h"

#include <sqlite3.h>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

void TestDatabase::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "medora-store-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    fs::copy_file(MEDORA_EMPTY_DB, m_dir / "clinic_db.mdb");
    m_previous = fs::current_path();
    fs::current_path(m_dir);
}

void TestDatabase::TearDown()
{
    fs::current_path(m_previous);
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(m_dir);
}

std::vector<std::string> TestDatabase::query(const std::string& sql)
{
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

long long TestDatabase::count(const std::string& table, const std::string& where)
{
    return std::stoll(query("SELECT count(*) FROM " + table + " WHERE " + where).at(0));
}

std::string TestDatabase::addPatient(const std::string& firstName, const std::string& lastName)
{
    PatientRecord record;
    EXPECT_TRUE(record.Add(firstName, lastName, DateTime::fromCivil(1980, 5, 17), 1,
                           "1 Main St\nSpringfield", "555-0101"));
    return record.m_id;
}
