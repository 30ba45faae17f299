#include "TestDatabase.h"

#include "store/Engine.h"
#include "store/store.h"

#include <fstream>

// Logging in to the clinic's server, with a password from libpq's password file or one the
// user typed, which Medora keeps in memory only; and the question a "Test connection" button
// asks.
class ServerLoginTest : public TestDatabase
{
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    void SetUp() override
    {
        setenv("PGPASSFILE", "pgpass", 1);
        TestDatabase::SetUp();
    }

    void TearDown() override
    {
        Engine::setServerPassword("");
        unsetenv("PGPASSFILE");
        TestDatabase::TearDown();
    }

    static bool listPatients() { return PatientNameList().FetchAll(); }
};

TEST_F(ServerLoginTest, APasswordComesFromThePasswordFileOrFromTheUser)
{
    setenv("MEDORA_DATABASE", serverConnection("keyholder").c_str(), 1);
    EXPECT_FALSE(listPatients());
    EXPECT_EQ(LastFailure::kind(), FailureKind::ServerPasswordNeeded);
    Engine::setServerPassword("open says me");
    EXPECT_FALSE(listPatients());
    EXPECT_EQ(LastFailure::kind(), FailureKind::ServerPasswordNeeded);
    Engine::setServerPassword("open sesame");
    EXPECT_TRUE(listPatients());

    Engine::setServerPassword("");
    std::ofstream("pgpass") << "*:*:*:keyholder:open sesame\n";
    std::filesystem::permissions("pgpass", std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_write);
    EXPECT_TRUE(listPatients());
}

TEST_F(ServerLoginTest, TestConnectionSaysWhetherTheServerHoldsMedorasRecords)
{
    const std::string server = "host=" + serverFolder() + " user=desk";
    const struct
    {
        std::string connection;
        bool holds;
        FailureKind failure;
    } cases[] = {
        {serverConnection("desk"), true, FailureKind::None},
        {server + " dbname=no_such_records", false, FailureKind::ServerUnreachable},
        {server + " dbname=medora_tests options='-c search_path=nothing_here'", false,
         FailureKind::EngineFailed},
        {serverConnection("keyholder"), false, FailureKind::ServerPasswordNeeded},
        {"host=/nonexistent user=desk", false, FailureKind::ServerUnreachable},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Engine::testServer(c.connection), c.holds) << c.connection;
        EXPECT_EQ(LastFailure::kind(), c.failure) << c.connection;
    }
}
