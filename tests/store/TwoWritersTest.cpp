#include "TestDatabase.h"

#include "store/store.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

// How long each flush to the disk takes on top of the disk's own time, in the writers.
std::chrono::milliseconds extraFlushTime{0};

} // namespace

// Linked into this test program ahead of the system's, so SQLite's flushes come here first.
extern "C" int fdatasync(int fd)
{
    std::this_thread::sleep_for(extraFlushTime);
    using Call = int (*)(int);
    static const auto system = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "fdatasync"));
    return system(fd);
}

namespace {

// Adds patients as fast as it can once the gate opens; exits with the number that failed.
[[noreturn]] void addPatients(int count, int gate)
{
    // A busy disk: every operation holds the file for a few milliseconds, as on the desks'
    // computers, where waiting in long naps lost about one addition in a hundred.
    extraFlushTime = std::chrono::milliseconds(1);
    char go = 0;
    if (read(gate, &go, 1) != 1)
        _exit(255);
    int failed = 0;
    for (int i = 0; i < count; ++i)
        failed += !PatientRecord().Add("Ann", std::to_string(i), DateTime(30000), 1, "", "");
    _exit(std::min(failed, 254));
}

} // namespace

class TwoWritersTest : public StoreTest
{
};

ON_BOTH_ENGINES(TwoWritersTest);

// Two copies of the program share the records, on one computer or at two desks: each
// operation has its turn.
TEST_P(TwoWritersTest, TwoProcessesAddingAtFullSpeedLoseNothing)
{
    constexpr int each = 500;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            addPatients(each, gate[0]);
    }
    ASSERT_EQ(write(gate[1], "go", 2), 2);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "additions that failed";
    }
    close(gate[0]);
    close(gate[1]);
    EXPECT_EQ(count("patient_info"), 2 * each);
}
