#include "TestDatabase.h"

#include "store/store.h"

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Adds visits until killed, reporting through `out` the number of each visit whose Add
// returned true.
[[noreturn]] void addVisitsForever(const std::string& patient, int out)
{
    const std::vector<std::string> texts(21, std::string(200, 'v'));
    for (int i = 0; i < 1000000; ++i) {
        ComplaintRecord record;
        if (record.Add(patient, DateTime(45000 + i), texts)) {
            const int id = std::stoi(record.m_id);
            if (write(out, &id, sizeof id) != sizeof id)
                break;
        }
    }
    _exit(0);
}

std::vector<int> readIds(int in, size_t atLeast)
{
    std::vector<int> ids;
    int id = 0;
    while ((atLeast == 0 || ids.size() < atLeast) && read(in, &id, sizeof id) == sizeof id)
        ids.push_back(id);
    return ids;
}

} // namespace

class CrashTest : public StoreTest
{
};

ON_BOTH_ENGINES(CrashTest);

TEST_P(CrashTest, KilledWriterLosesNoCommittedVisit)
{
    const std::string patient = addPatient();
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    for (int round = 0; round < 3; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            close(pipeEnds[0]);
            addVisitsForever(patient, pipeEnds[1]);
        }
        close(pipeEnds[1]);
        std::vector<int> committed = readIds(pipeEnds[0], 3);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution(0, 100000)(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        for (int id : readIds(pipeEnds[0], 0))
            committed.push_back(id);
        close(pipeEnds[0]);

        if (!onServer()) {
            ASSERT_EQ(query("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        }
        for (int id : committed)
            ASSERT_TRUE(ComplaintList().FetchDetails(std::to_string(id))) << "visit " << id;
        EXPECT_GE(count("complaints"), static_cast<long long>(committed.size()));
    }
}
