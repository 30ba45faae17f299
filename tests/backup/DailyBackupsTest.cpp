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

// The identity of the test's records, as the store gives it on their first use.
std::string identityInUse() {
    std::string id;
    EXPECT_EQ(RecordsBackup::identity(id), std::nullopt);
    return id;
}

} // namespace

// Started on 1 November 2025, a backup each day until Tuesday 8 December 2026.
TEST_F(BackupTest, AYearOfDailyBackupsKeepsSevenDaysFourWeeksAndTwelveMonths) {
    const fs::path folder = m_dir / "backups";
    fs::create_directory(folder);
    const std::string identity = identityInUse();
    const DailyBackups backups(folder.string(), identity);
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
            expected.push_back("medora-" + identity.substr(0, 12) + "-" + day + ".rbk");
    EXPECT_EQ(namesIn(folder), expected);
}

// Only the daily backups of the records' own identity are counted and thinned out: never
// another set's, nor those named by the day alone that earlier versions made, nor the records
// a restore replaced.
TEST_F(BackupTest, ThinningLeavesOtherFilesAndBrokenNamesAlone) {
    const std::string own = "0123456789abcdef0123456789abcdef";
    const std::string other = "fedcba9876543210fedcba9876543210";
    std::vector<std::string> names = {"monday.rbk", "medora-0123456789ab-2026-02-30.rbk",
                                      "medora-0123456789ab-2026-12-01.rbk.bak",
                                      "medora-0123456789ab-2026-12-1.rbk"};
    std::vector<std::string> doomed;
    for (int day = 1; day <= 28; ++day) {
        const DateTime date = DateTime::fromCivil(2026, 11, day, 18, 30);
        for (const std::string& name :
             {BackupRetention::fileName(other, date), "medora-" + date.format("%Y-%m-%d") + ".rbk",
              BackupRetention::beforeRestoreName(own, date)})
            names.push_back(name);
        names.push_back(BackupRetention::fileName(own, date));
        // The newest 7 (22 to 28 November) and the Sundays of the 4 weeks before them.
        if (day < 22 && day != 1 && day != 8 && day != 15)
            doomed.push_back(names.back());
    }
    std::vector<std::string> deleted = BackupRetention::toDelete(own, names);
    std::ranges::sort(deleted);
    std::ranges::sort(doomed);
    EXPECT_EQ(deleted, doomed);
    EXPECT_EQ(BackupRetention::toDelete(other, names).size(), doomed.size());
    EXPECT_FALSE(BackupRetention::dayOf(own, "medora-0123456789ab-2026-02-30.rbk"));
    EXPECT_FALSE(BackupRetention::dayOf(other, "medora-0123456789ab-2026-12-01.rbk"));
    EXPECT_EQ(BackupRetention::dayOf(own, "medora-0123456789ab-2026-12-01.rbk"),
              DateTime::fromCivil(2026, 12, 1));
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
    const DailyBackups backups(folder.string(), identityInUse());
    const DateTime today = DateTime::fromCivil(2026, 12, 8);
    ASSERT_EQ(backups.make(today), std::nullopt);
    const std::string good = fingerprint(backups.fileFor(today));

    damage(GetParam().how);
    const auto failure = backups.make(today);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, GetParam().kind);
    EXPECT_EQ(fingerprint(backups.fileFor(today)), good);
    EXPECT_EQ(RecordsBackup::backup("manual.rbk")->kind, GetParam().kind);
    EXPECT_EQ(namesIn(folder),
              std::vector<std::string>{fs::path(backups.fileFor(today)).filename().string()});
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
