// Damaged records: a backup refuses to copy them, and the rescue saves every row that can
// still be read into new records that the program goes on with.

#include "BackupTestSupport.h"
#include "DamagedClinic.h"

#include "records/DatabaseBackup.h"
#include "records/RecordsFileCheck.h"
#include "records/RecordsRescue.h"
#include "store/store.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <regex>

namespace fs = std::filesystem;

namespace {

// The field of a row as DamagedClinic keeps it.
std::string field(const std::string& row, int number) {
    size_t start = 0;
    for (int skipped = 0; skipped < number; ++skipped)
        start = row.find('|', start) + 1;
    return row.substr(start, row.find('|', start) - start);
}

std::map<std::string, long long> counts(const DamagedClinic::Rows& rows) {
    std::map<std::string, long long> made;
    for (const auto& [table, kept] : rows)
        made[table] = (long long)kept.size();
    return made;
}

std::string damageName(const testing::TestParamInfo<DamagedClinic::Damage>& damage) {
    static const char* const names[] = {"PagesOverwritten", "PagesCycled", "CutShort",
                                        "HeaderZeroed", "FirstPageZeroed"};
    return names[int(damage.param)];
}

// A file of pages of tables that each lead to the next, the last back to the first, with no
// header.
std::string pagesInACircle() {
    constexpr int kPageSize = 4096, kPages = 16;
    std::string bytes(size_t(kPageSize * kPages), '\0');
    for (int page = 2; page <= kPages; ++page) {
        char* at = &bytes[size_t((page - 1) * kPageSize)];
        const int next = page == kPages ? 2 : page + 1;
        const unsigned char header[] = {0x05, 0, 0, 0, 1, 0x0f, 0xa0, 0, 0, 0, 0, 2, 0x0f, 0xa0};
        std::copy(std::begin(header), std::end(header), at);
        at[11] = char(next);                                               // the right child
        const unsigned char cell[] = {0, 0, 0, (unsigned char)next, 0x7f}; // child, key
        std::copy(std::begin(cell), std::end(cell), at + 0xfa0);
    }
    return bytes;
}

} // namespace

TEST_F(BackupTest, DamagedRecordsAreReportedRescuedAndHoldTheReadableRows) {
    const DamagedClinic clinic("clinic_db.mdb");
    ASSERT_TRUE(clinic.made());
    const std::string damaged = contents("clinic_db.mdb");

    const auto refused = DatabaseBackup::backup("clinic_db.mdb", "copy.rbk");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->kind, FileFailure::Damaged);
    EXPECT_EQ(refused->describe().rfind("The records file is damaged.\n", 0), 0u);
    EXPECT_FALSE(refused->detail.empty());
    EXPECT_NE(refused->detail, "ok");
    EXPECT_EQ(files(), std::vector<std::string>{"clinic_db.mdb"});

    RecordsRescue rescue("clinic_db.mdb");
    ASSERT_EQ(rescue.build(), std::nullopt);
    const DamagedClinic::Rows readable = clinic.readable();
    std::map<std::string, long long> rescued, claimed;
    for (const RescuedTable& table : rescue.tables()) {
        rescued[table.name] = table.rescued;
        claimed[table.name] = table.claimed;
    }
    EXPECT_EQ(rescued, counts(readable));
    EXPECT_LT(rescued, counts(clinic.stored()));
    EXPECT_EQ(claimed, counts(clinic.stored()));
    // Nothing changes until the user takes the rescued records.
    EXPECT_EQ(contents("clinic_db.mdb"), damaged);

    std::string kept;
    ASSERT_EQ(rescue.replace(kept), std::nullopt);
    const std::string keptName = fs::path(kept).filename().string();
    EXPECT_TRUE(
        std::regex_match(keptName, std::regex(R"(clinic_db\.damaged-\d{4}-\d\d-\d\d-\d{6}\.mdb)")))
        << keptName;
    EXPECT_EQ(contents(keptName), damaged);
    EXPECT_EQ(files(), (std::vector<std::string>{keptName, "clinic_db.mdb"}));
    EXPECT_TRUE(RecordsFileCheck::isRecords("clinic_db.mdb"));
    // Compared whole, not printed: a clinic's rows would fill the screen.
    EXPECT_TRUE(DamagedClinic::rowsOf("clinic_db.mdb") == readable);

    // The program goes on with them: the search finds a rescued patient, a new patient takes
    // a key none had, and a backup is made.
    const auto& [id, patient] = *readable.at("patient_info").begin();
    PatientNameList found;
    ASSERT_TRUE(found.Search(field(patient, 1) + " " + field(patient, 2)));
    EXPECT_NE(std::find(found.m_ids.begin(), found.m_ids.end(), std::to_string(id)),
              found.m_ids.end());
    EXPECT_GT(std::stoll(addPatient("After")), clinic.stored().at("patient_info").rbegin()->first);
    EXPECT_EQ(DatabaseBackup::backup("clinic_db.mdb", "after.rbk"), std::nullopt);
}

// Rows another desk wrote after the rescue read the file would be lost with it: the rescue
// is then not put in place, and leaves nothing behind.
TEST_F(BackupTest, ARescueIsNotPutInPlaceOfRecordsThatChangedSince) {
    const DamagedClinic clinic("clinic_db.mdb");
    ASSERT_TRUE(clinic.made());
    {
        RecordsRescue rescue("clinic_db.mdb");
        ASSERT_EQ(rescue.build(), std::nullopt);
        const timespec written[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
        ASSERT_EQ(utimensat(AT_FDCWD, "clinic_db.mdb", written, 0), 0);
        const std::string before = contents("clinic_db.mdb");
        std::string kept;
        const auto refused = rescue.replace(kept);
        ASSERT_TRUE(refused.has_value());
        EXPECT_EQ(refused->kind, FileFailure::RescueFailed);
        EXPECT_EQ(contents("clinic_db.mdb"), before);
    }
    EXPECT_EQ(files(), std::vector<std::string>{"clinic_db.mdb"});
}

class DamagedFileRescue : public BackupTest,
                          public testing::WithParamInterface<DamagedClinic::Damage> {};

// However the file was damaged, the rescue saves every row of the pages that survived, and
// only those, and the program goes on with them without giving a lost row's key again.
TEST_P(DamagedFileRescue, SavesEveryRowOfThePagesThatSurvived) {
    const DamagedClinic clinic("clinic_db.mdb", GetParam());
    ASSERT_TRUE(clinic.made());
    RecordsRescue rescue("clinic_db.mdb");
    ASSERT_EQ(rescue.build(), std::nullopt);
    const DamagedClinic::Rows readable = clinic.readable();
    std::map<std::string, long long> rescued;
    for (const RescuedTable& table : rescue.tables())
        rescued[table.name] = table.rescued;
    EXPECT_EQ(rescued, counts(readable));

    std::string kept;
    ASSERT_EQ(rescue.replace(kept), std::nullopt);
    const DamagedClinic::Rows rows = DamagedClinic::rowsOf("clinic_db.mdb");
    EXPECT_EQ(rows.at("patient_info"), readable.at("patient_info"));
    // The other tables compared whole, not printed: their rows would fill the screen.
    EXPECT_TRUE(rows == readable);
    EXPECT_GT(std::stoll(addPatient("After")), clinic.largestPatientGiven());
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedFileRescue,
                         testing::Values(DamagedClinic::Damage::PagesOverwritten,
                                         DamagedClinic::Damage::PagesCycled,
                                         DamagedClinic::Damage::CutShort,
                                         DamagedClinic::Damage::HeaderZeroed,
                                         DamagedClinic::Damage::FirstPageZeroed),
                         damageName);

// A file that holds no row a clinic could have, however it leads the reader on, gives a
// rescue that ends, saves nothing and leaves nothing behind.
TEST_F(BackupTest, NothingIsRescuedFromAFileWithoutRows) {
    std::mt19937 random{20};
    std::string noise(256 * 1024, '\0');
    for (char& byte : noise)
        byte = char(random());
    // The header of a SQLite file, with a page size no file can have.
    const std::string badHeader = std::string("SQLite format 3\0\0\2", 18) + noise.substr(18);
    for (const std::string& bytes : {noise, badHeader, pagesInACircle()}) {
        write("clinic_db.mdb", bytes);
        {
            RecordsRescue rescue("clinic_db.mdb");
            const auto failure = rescue.build();
            ASSERT_TRUE(failure.has_value());
            EXPECT_EQ(failure->kind, FileFailure::RescueFailed);
            EXPECT_TRUE(rescue.tables().empty());
        }
        EXPECT_EQ(files(), std::vector<std::string>{"clinic_db.mdb"});
    }
}
