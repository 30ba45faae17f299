#include "BackupTestSupport.h"

#include "records/BackupRetention.h"
#include "records/DailyBackups.h"
#include "records/RecordsBackup.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

// Garbles the records on disk in a way the engine still opens them.
void damage(const std::string& how) {
    std::fstream file("clinic_db.mdb", std::ios::in | std::ios::out | std::ios::binary);
    if (how == "grown by half a page") {
        file.seekp(0, std::ios::end);
        file << std::string(2048, '\0');
        return;
    }
    // The second page is the root of a table; its header says what kind of page it is.
    file.seekp(4096);
    file << std::string(12, '\xff');
}

} // namespace

// Started on 1 November 2025, a backup each day until Tuesday 8 December 2026.
TEST_F(BackupTest, AYearOfDailyBackupsKeepsSevenDaysFourWeeksAndTwelveMonths) {
    const fs::path folder = m_dir / "backups";
    fs::create_directory(folder);
    const DailyBackups backups(folder.string());
    const DateTime last = DateTime::fromCivil(2026, 12, 8);
    for (DateTime day = DateTime::fromCivil(2025, 11, 1); day.days() <= last.days();
         day = DateTime(day.days() + 1)) {
        ASSERT_FALSE(backups.hasBackupOf(day));
        ASSERT_EQ(backups.make(day), std::nullopt) << day.toIso();
        ASSERT_TRUE(backups.hasBackupOf(day));
    }
    const std::vector<std::string> daily = {"2026-12-02", "2026-12-03", "2026-12-04", "2026-12-05",
                                            "2026-12-06", "2026-12-07", "2026-12-08"};
    // The Sundays that end the weeks before the first daily one's (Monday 30 November).
    const std::vector<std::string> weekly = {"2026-11-08", "2026-11-15", "2026-11-22",
                                             "2026-11-29"};
    // Thinned out day by day, each month keeps the newest of its weekly backups: its last
    // Sunday.
    const std::vector<std::string> monthly = {
        "2025-11-30", "2025-12-28", "2026-01-25", "2026-02-22", "2026-03-29", "2026-04-26",
        "2026-05-31", "2026-06-28", "2026-07-26", "2026-08-30", "2026-09-27", "2026-10-25"};
    std::vector<std::string> expected;
    for (const auto* tier : {&monthly, &weekly, &daily})
        for (const std::string& day : *tier)
            expected.push_back("medora-" + day + ".rbk");
    EXPECT_EQ(namesIn(folder), expected);
}

TEST_F(BackupTest, ThinningLeavesOtherFilesAndBrokenNamesAlone) {
    const std::vector<std::string> names = {"medora-2026-12-01.rbk", "monday.rbk",
                                            "medora-2026-02-30.rbk", "medora-2026-12-01.rbk.bak",
                                            "medora-2026-12-1.rbk"};
    EXPECT_EQ(BackupRetention::toDelete(names), std::vector<std::string>{});
    EXPECT_FALSE(BackupRetention::dayOf("medora-2026-02-30.rbk"));
    EXPECT_EQ(BackupRetention::dayOf("medora-2026-12-01.rbk"), DateTime::fromCivil(2026, 12, 1));
}

struct Damage {
    std::string how;
    // Damage the engine's quick check finds stops the copy before it starts; damage only the
    // full check finds fails the finished copy's check.
    FileFailure::Kind kind;
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.how; }

class FailedCheckTest : public BackupTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(FailedCheckTest, ABackupThatFailsItsCheckIsNotKept) {
    const fs::path folder = m_dir / "backups";
    fs::create_directory(folder);
    const DailyBackups backups(folder.string());
    const DateTime today = DateTime::fromCivil(2026, 12, 8);
    ASSERT_EQ(backups.make(today), std::nullopt);
    const std::string good = fingerprint(backups.fileFor(today));

    damage(GetParam().how);
    const auto failure = backups.make(today);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, GetParam().kind);
    EXPECT_EQ(fingerprint(backups.fileFor(today)), good);
    EXPECT_EQ(RecordsBackup::backup("manual.rbk")->kind, GetParam().kind);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"medora-2026-12-08.rbk"});
    EXPECT_FALSE(fs::exists("manual.rbk"));
    if (failure->kind == FileFailure::FailedCheck) {
        EXPECT_EQ(failure->describe(), "The backup written to " + backups.fileFor(today) +
                                           " failed its check and was deleted: the records may "
                                           "be damaged.");
    }
}

INSTANTIATE_TEST_SUITE_P(Damaged, FailedCheckTest,
                         ::testing::Values(Damage{"grown by half a page", FileFailure::FailedCheck},
                                           Damage{"a garbled table page", FileFailure::Damaged}));
