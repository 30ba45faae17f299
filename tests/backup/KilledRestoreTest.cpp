#include "BackupTestSupport.h"

#include "records/DatabaseBackup.h"
#include "records/PendingFile.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

pid_t restoreInChild(const std::string& source) {
    const pid_t child = fork();
    if (child == 0)
        _exit(DatabaseBackup::restore(source) ? 1 : 0);
    return child;
}

bool isWhole(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    const bool ok =
        sqlite3_step(check) == SQLITE_ROW &&
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
    sqlite3_finalize(check);
    sqlite3_close(db);
    return ok;
}

} // namespace

// Killed at any moment, a restore leaves the records either as they were or as the backup
// has them, never a mix; only the restore's own unfinished file may stay behind, and the
// next start removes it.
TEST_F(BackupTest, KilledRestoreLeavesTheOldOrTheNewDatabaseWhole) {
    addPatient("New");
    fill(4'000'000);
    ASSERT_EQ(DatabaseBackup::backup("clinic_db.mdb", "new.rbk"), std::nullopt);
    query("DELETE FROM patient_info WHERE first_name = 'New'");
    addPatient("Old");
    fs::copy_file("clinic_db.mdb", "old.mdb");
    const std::string oldBytes = contents("old.mdb");
    const std::string newBytes = contents("new.rbk");

    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(restoreInChild("new.rbk"), &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int killedMidway = 0;
    for (int round = 0; round < 20; ++round) {
        fs::copy_file("old.mdb", "clinic_db.mdb", fs::copy_options::overwrite_existing);
        const pid_t child = restoreInChild("new.rbk");
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<long long>(0, took.count())(random)));
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        killedMidway += WIFSIGNALED(status);

        const std::string now = contents("clinic_db.mdb");
        ASSERT_TRUE(now == oldBytes || now == newBytes)
            << "round " << round << ": " << now.size() << " bytes";
        ASSERT_TRUE(isWhole("clinic_db.mdb")) << "round " << round;
        PendingFile::removeLeftovers(".");
        ASSERT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb", "new.rbk", "old.mdb"}));
    }
    EXPECT_GT(killedMidway, 0);
}

// A pending file is removed only once no living writer holds it.
TEST_F(BackupTest, OnlyTheKilledWritersPendingFilesAreLeftovers) {
    const PendingFile living("mine.rbk");
    const pid_t child = fork();
    if (child == 0) {
        auto* killed = new PendingFile("killed.rbk");
        killed->append("half", 4);
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    write("notes.part-1", "not a pending file");
    ASSERT_EQ(files().size(), 4u);

    PendingFile::removeLeftovers(".");
    std::vector<std::string> left = files();
    ASSERT_EQ(left.size(), 3u);
    EXPECT_TRUE(left[1].starts_with("mine.rbk.part-")) << left[1];
    EXPECT_EQ(left[2], "notes.part-1");
}
