// Every set of records has an identity of its own from its first use on, whatever version of
// the program made the file; on the server, init gives it and upgrade adds it.

#include "OldRecordsFile.h"
#include "TestDatabase.h"

#include "store/RecordsIdentity.h"
#include "store/SchemaSteps.h"
#include "store/store.h"

#include <filesystem>
#include <functional>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

struct FileKind
{
    const char* what;
    std::function<bool(const std::string& path)> make;
};

bool copyEmpty(const std::string& path)
{
    return fs::copy_file(MEDORA_EMPTY_DB, path, fs::copy_options::overwrite_existing);
}

bool run(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    const bool done = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                      sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

const FileKind kFiles[] = {
    {"the supplied empty file", copyEmpty},
    {"a file from before the search kept keys",
     [](const std::string& path) {
         fs::remove(path);
         return makeOldRecordsFile(path, "INSERT INTO patient_info (first_name, last_name, DOB)"
                                         " VALUES ('Chloé', 'Lefèvre', '1980-05-17 00:00:00')");
     }},
    {"a file from before the records had an identity",
     [](const std::string& path) {
         return copyEmpty(path) &&
                run(path, "DROP TABLE records_identity; PRAGMA user_version = 1");
     }},
};

} // namespace

class RecordsIdentityTest : public TestDatabase
{
protected:
    std::string fetched()
    {
        RecordsIdentity identity;
        EXPECT_TRUE(identity.Fetch());
        return identity.m_id;
    }
};

TEST_F(RecordsIdentityTest, EveryFileGetsAnIdentityOfItsOwnOnFirstUse)
{
    for (const FileKind& kind : kFiles) {
        SCOPED_TRACE(kind.what);
        std::set<std::string> seen;
        for (int copy = 0; copy < 2; ++copy) {
            ASSERT_TRUE(kind.make("clinic_db.mdb"));
            const std::string id = fetched();
            EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{32}"))) << id;
            EXPECT_TRUE(addPatient("Later").size() > 0);
            EXPECT_EQ(fetched(), id);
            EXPECT_EQ(query("PRAGMA user_version"),
                      std::vector<std::string>{std::to_string(SchemaSteps::current())});
            seen.insert(id);
        }
        EXPECT_EQ(seen.size(), 2u) << "two copies of one file share an identity";
    }
    // The patients of the oldest file are still there and found.
    ASSERT_TRUE(kFiles[1].make("clinic_db.mdb"));
    PatientNameList found;
    ASSERT_TRUE(found.Search("chloe"));
    EXPECT_EQ(found.m_lastNames, std::vector<std::string>{"Lefèvre"});
}
