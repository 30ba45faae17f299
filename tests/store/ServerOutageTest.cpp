#include "RecordsHolder.h"
#include "TestDatabase.h"

#include "store/store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct Outcome
{
    bool done;
    Clock::duration took;
    FailureKind failure;
};

// Lists the patients, and says how it went.
Outcome fetchAll()
{
    const auto start = Clock::now();
    const bool done = PatientNameList().FetchAll();
    return {done, Clock::now() - start, LastFailure::kind()};
}

} // namespace

// A server of these tests' own, which they stop, start and freeze while the store uses it.
class ServerOutageTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_state =
            std::filesystem::temp_directory_path() / ("medora-outage-" + std::to_string(getpid()));
        server("start", " " MEDORA_ADMIN);
        std::getline(std::ifstream(s_state), s_folder);
    }

    static void TearDownTestSuite() { server("stop"); }

    void SetUp() override
    {
        ASSERT_FALSE(s_folder.empty()) << "the test server did not start";
        setenv("MEDORA_DATABASE", connection("desk").c_str(), 1);
        PatientRecord record;
        ASSERT_TRUE(record.Add("Ann", "Lee", DateTime(30000), 1, "", ""));
    }

    void TearDown() override { unsetenv("MEDORA_DATABASE"); }

    static void server(const std::string& command, const std::string& more = "")
    {
        const std::string line =
            MEDORA_TEST_SERVER_SCRIPT " " + command + " " + s_state.string() + more;
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
    }

    static std::string connection(const std::string& user)
    {
        return "host=" + s_folder + " dbname=medora_tests user=" + user;
    }

    static inline std::filesystem::path s_state;
    static inline std::string s_folder;
};

// The server goes down while an operation waits for it: the operation fails at once, and
// once the server is back the next one goes through on a new connection.
TEST_F(ServerOutageTest, ServerStoppedDuringAnOperation)
{
    const auto holder = RecordsHolder::onServer(connection("postgres"));
    auto waiting = std::async(std::launch::async, fetchAll);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server("halt");
    const Outcome stopped = waiting.get();
    EXPECT_FALSE(stopped.done);
    EXPECT_LT(stopped.took, std::chrono::seconds(5));
    EXPECT_EQ(stopped.failure, FailureKind::ServerUnreachable);

    const Outcome down = fetchAll();
    EXPECT_FALSE(down.done);
    EXPECT_LT(down.took, std::chrono::seconds(5));
    EXPECT_EQ(down.failure, FailureKind::ServerUnreachable);

    server("restart");
    PatientNameList list;
    EXPECT_TRUE(list.FetchAll());
    EXPECT_EQ(list.m_firstNames, std::vector<std::string>{"Ann"});
}

// A server that does not answer at all, as when the network is cut: the operation on the
// connection kept from before, and one that needs a new connection, both fail within five
// seconds; once the server answers again the next one goes through.
TEST_F(ServerOutageTest, ServerThatDoesNotAnswer)
{
    server("freeze");
    auto onKept = std::async(std::launch::async, fetchAll);
    auto onNew = std::async(std::launch::async, fetchAll);
    for (auto* result : {&onKept, &onNew}) {
        const Outcome frozen = result->get();
        EXPECT_FALSE(frozen.done);
        EXPECT_GE(frozen.took, std::chrono::seconds(1));
        EXPECT_LT(frozen.took, std::chrono::seconds(5));
        EXPECT_EQ(frozen.failure, FailureKind::ServerUnreachable);
    }
    server("thaw");
    EXPECT_TRUE(fetchAll().done);
    EXPECT_TRUE(PatientRecord().Add("Bo", "Roe", DateTime(30000), 0, "", ""));
}

// The link is cut by the server itself while a patient is being added: a trigger ends the
// desk's session, either at the INSERT, before anything was sent to be committed, or at the
// COMMIT, where the desk cannot know whether the row was kept.
class LostCommitTest : public TestDatabase
{
protected:
    TestEngine engine() const override { return TestEngine::Server; }
};

TEST_F(LostCommitTest, OnlyALinkLostDuringTheCommitLeavesTheOutcomeUnknown)
{
    query("CREATE FUNCTION cut_link() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $$ "
          "BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); PERFORM pg_sleep(2); "
          "RETURN NULL; END $$");
    const struct
    {
        const char* when;
        FailureKind failure;
    } cases[] = {
        {"", FailureKind::ServerUnreachable},
        {"DEFERRABLE INITIALLY DEFERRED", FailureKind::OutcomeUnknown},
    };
    for (const auto& c : cases) {
        query(std::string("CREATE CONSTRAINT TRIGGER cut_link AFTER INSERT ON patient_info ") +
              c.when + " FOR EACH ROW EXECUTE FUNCTION cut_link()");
        EXPECT_FALSE(PatientRecord().Add("Ann", "Lee", DateTime(30000), 1, "", "")) << c.when;
        EXPECT_EQ(LastFailure::kind(), c.failure) << c.when;
        const bool unknown = c.failure == FailureKind::OutcomeUnknown;
        EXPECT_EQ(LastFailure::message().find("may or may not have been saved") !=
                      std::string::npos,
                  unknown)
            << LastFailure::message();
        query("DROP TRIGGER cut_link ON patient_info");
        // The next operation goes on through a new link.
        EXPECT_TRUE(PatientNameList().FetchAll()) << c.when;
    }
    EXPECT_EQ(count("patient_info"), 0);
}
