// The tools keep the data folder their owner's only: medora-admin closes it when it finds it
// open, and medora-sample-data makes every folder it needs closed from the start.

#include "BackupTestSupport.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

int run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(BackupTest, TheToolsKeepTheDataFolderTheirOwnersOnly) {
    const fs::path here = fs::current_path();
    fs::create_directory("data");
    fs::copy_file("clinic_db.mdb", "data/clinic_db.mdb");
    ASSERT_EQ(chmod("data", 0755), 0);
    ASSERT_EQ(run("MEDORA_DATA_DIR=" + (here / "data").string() + " " MEDORA_ADMIN " backup " +
                  (here / "copy.rbk").string()),
              0);
    EXPECT_EQ(mode("data"), 0700u);
    EXPECT_TRUE(fs::exists("copy.rbk"));

    const fs::path made = here / "new" / "share" / "medora";
    ASSERT_EQ(run("MEDORA_DATA_DIR=" + made.string() + " " MEDORA_SAMPLE_DATA " 3"), 0);
    EXPECT_TRUE(fs::exists(made / "clinic_db.mdb"));
    for (const fs::path& folder : {here / "new", here / "new" / "share", made})
        EXPECT_EQ(mode(folder.string()), 0700u) << folder;
}
