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

    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(restoreInChild("new.rbk"), &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The backup's records, with today's audit trail.
    const std::string newBytes = contents("clinic_db.mdb");
    ASSERT_EQ(recordsIn("clinic_db.mdb"), recordsIn("new.rbk"));
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
        killed->append("SQLite format 3\0half", 20);
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
    EXPECT_TRUE(left[0].starts_with(".mine.rbk.medora-partial-")) << left[0];
    EXPECT_EQ(left[2], "notes.part-1");
}

// Only what bears Medora's mark and holds what its copies hold is taken for a leftover; a
// file another program named alike, a link, or a copy of an earlier version that is not a
// database is someone else's and stays.
TEST_F(BackupTest, ClearingLeftoversDeletesOnlyMedorasOwn) {
    const std::string database("SQLite format 3\0half a copy", 27);
    struct Leftover {
        std::string name;
        std::string contents;
        bool removed;
    };
    const std::vector<Leftover> table = {
        {"movie.part-000000",
         std::string("\0\0\0\x18"
                     "ftypmp42",
                     12),
         false},
        {"Chapter.part-draft1", "It was a dark and stormy night.", false},
        {"thesis.odt.part-000001", database, false},
        {"monday.rbk.part-Notes1", "my notes on Monday's backup", false},
        {"clinic_db.mdb.part-Xq3z9A", database, true},
        {"medora-2026-12-08.rbk.part-b7YtQ2", database, true},
        {".monday.rbk.medora-partial-P0o9Iu", database, true},
        {".record.pdf.medora-partial-Lk2m3N", "%PDF-1.4 half a page", true},
        {".tuesday.rbk.medora-partial-a1B2c3", "", true},
        {".notes.medora-partial-abcdef", "not a copy at all", false},
        {".clinic_db.mdb.medora-partial-toolong", database, false},
    };
    for (const Leftover& file : table)
        write(file.name, file.contents);
    write("precious.mdb", database);
    fs::create_symlink("precious.mdb", ".linked.rbk.medora-partial-q1W2e3");
    fs::create_directory(".folder.rbk.medora-partial-r4T5y6");
    // A file of another user is theirs, whatever it holds; only root can make one here.
    write(".theirs.rbk.medora-partial-u7I8o9", database);
    const bool theirs = chown(".theirs.rbk.medora-partial-u7I8o9", 65534, 65534) == 0;

    PendingFile::removeLeftovers(".");
    for (const Leftover& file : table)
        EXPECT_EQ(fs::exists(file.name), !file.removed) << file.name;
    EXPECT_EQ(contents("precious.mdb"), database);
    EXPECT_TRUE(fs::is_symlink(".linked.rbk.medora-partial-q1W2e3"));
    EXPECT_TRUE(fs::is_directory(".folder.rbk.medora-partial-r4T5y6"));
    EXPECT_EQ(fs::exists(".theirs.rbk.medora-partial-u7I8o9"), theirs);
}
