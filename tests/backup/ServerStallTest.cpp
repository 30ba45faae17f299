// A server that stops answering in the middle of a backup, and a desk that stops in the middle
// of a restore, as a dead link or a hung computer would: nothing waits on them without end.

#include "../store/TestDatabase.h"
#include "StoppedProcess.h"

#include "records/FileFailure.h"
#include "records/ServerBackup.h"
#include "records/ServerLink.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ServerStallTest : public TestDatabase {
protected:
    TestEngine engine() const override { return TestEngine::Server; }
    void TearDown() override {
        ServerLink::setBounds({});
        TestDatabase::TearDown();
    }

    // The server process of another session that holds patient_info in that lock mode, or 0.
    pid_t holderOf(const std::string& mode) {
        const auto pids = query("SELECT pid FROM pg_locks WHERE relation = 'patient_info'::regclass"
                                " AND mode = '" +
                                mode + "' AND granted AND pid <> pg_backend_pid()");
        return pids.empty() ? 0 : pid_t(std::stoi(pids[0]));
    }

    // A backup whose server process is stopped once the backup holds the tables; `goOn` is
    // asked by the progress from then on.
    ServerBackup::Outcome backupStalled(std::optional<StoppedProcess>& stalled,
                                        const std::function<bool()>& goOn) {
        return ServerBackup(serverConnection("desk"), "").backup("stalled.rbk", [&](double) {
            if (stalled)
                return goOn();
            if (const pid_t server = holderOf("AccessShareLock"))
                stalled.emplace(server, 8s);
            return true;
        });
    }
};

// Cancel is heard while the server does not answer: the backup ends within a moment, leaves
// no file, and the server is asked to cancel.
TEST_F(ServerStallTest, CancelStopsABackupWhoseServerDoesNotAnswer) {
    std::optional<StoppedProcess> stalled;
    std::optional<Clock::time_point> cancelled;
    const auto failure = backupStalled(stalled, [&] {
        if (!cancelled)
            cancelled = Clock::now() + 300ms;
        return Clock::now() < *cancelled;
    });
    ASSERT_TRUE(stalled.has_value());
    EXPECT_EQ(failure, (FileFailure{FileFailure::Cancelled, "stalled.rbk"}));
    EXPECT_LT(Clock::now() - *cancelled, 1s);
    EXPECT_FALSE(fs::exists("stalled.rbk"));
}

// Without Cancel, a backup whose server says nothing for the bound ends there, saying why.
TEST_F(ServerStallTest, ABackupWhoseServerDoesNotAnswerEndsAtItsBound) {
    ServerLink::setBounds({2s, {}});
    std::optional<StoppedProcess> stalled;
    std::optional<Clock::time_point> since;
    const auto failure = backupStalled(stalled, [&] {
        if (!since)
            since = Clock::now();
        return true;
    });
    ASSERT_TRUE(stalled.has_value());
    const auto waited = Clock::now() - *since;
    EXPECT_EQ(failure, FileFailure::server("the server did not answer for 2 seconds, so the work "
                                           "was stopped"));
    EXPECT_GE(waited, 1800ms);
    EXPECT_LT(waited, 3s);
    EXPECT_FALSE(fs::exists("stalled.rbk"));
}

// A desk that stops in the middle of a restore, wherever it is, holds the clinic's tables only
// until the server's bound: the server undoes the restore and another desk's save goes
// through. The desk, going on, reports the failure.
TEST_F(ServerStallTest, ARestoreWhoseDeskStopsIsUndoneAndTheOtherDesksGoOn) {
    fs::copy_file(MEDORA_EMPTY_DB, "clinic.rbk");
    ASSERT_TRUE(generateClinic("clinic.rbk", ClinicSize::forPatients(4000)));
    for (const auto pause : {0ms, 150ms, 400ms}) {
        SCOPED_TRACE(pause.count());
        const pid_t desk = fork();
        if (desk == 0) {
            ServerLink::setBounds({{}, 1s});
            _exit(ServerBackup(serverConnection("desk"), "").restore("clinic.rbk") ? 1 : 0);
        }
        const auto started = Clock::now();
        while (holderOf("ExclusiveLock") == 0 && Clock::now() - started < 10s)
            std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(pause);
        int status = 0;
        {
            const StoppedProcess stopped(desk, 10s);
            ASSERT_EQ(waitpid(desk, &status, WNOHANG), 0) << "the restore was over too soon";
            const auto saving = Clock::now();
            EXPECT_FALSE(addPatient("Other", "Desk").empty());
            EXPECT_LT(Clock::now() - saving, 3s);
        }
        waitpid(desk, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    }
    EXPECT_EQ(query("SELECT first_name FROM patient_info"),
              (std::vector<std::string>{"Other", "Other", "Other"}));
}
