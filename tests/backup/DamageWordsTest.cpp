// What the program says of damaged records: which records the damage touches, in the words of
// the people who use it, and which patients a rescue could not read.

#include "BackupTestSupport.h"

#include "records/RecordsLock.h"
#include "records/RecordsRescue.h"
#include "store/SearchKey.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Row = std::vector<std::string>;

std::vector<Row> rows(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::vector<Row> found;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int columns, char** values, char**) {
            Row row;
            for (int i = 0; i < columns; ++i)
                row.emplace_back(values[i] ? values[i] : "");
            static_cast<std::vector<Row>*>(out)->push_back(row);
            return 0;
        },
        &found, nullptr);
    sqlite3_close(db);
    return found;
}

// Fills the middle leaf page of each table or index named with random bytes.
void garble(const std::string& path, const std::vector<std::string>& names) {
    const long long pageSize = std::stoll(rows(path, "PRAGMA page_size")[0][0]);
    std::vector<long long> pages;
    for (const std::string& name : names) {
        const auto leaves = rows(path, "SELECT pageno FROM dbstat WHERE pagetype = 'leaf' AND "
                                       "name = '" + name + "' ORDER BY pageno");
        ASSERT_GT(leaves.size(), 2u) << name;
        pages.push_back(std::stoll(leaves[leaves.size() / 2][0]));
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (const long long page : pages) {
        std::string noise(size_t(pageSize), '\0');
        for (size_t i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + size_t(page)) % 251);
        file.seekp((page - 1) * pageSize);
        file.write(noise.data(), pageSize);
    }
}

} // namespace

// Each kind of damage is told by the records it touches, never by pages, engine calls or
// table names.
TEST_F(BackupTest, DamageIsToldByTheRecordsItTouches) {
    const fs::path clinic = m_dir / "clinic.mdb";
    fs::copy_file(MEDORA_EMPTY_DB, clinic);
    ASSERT_TRUE(generateClinic(clinic.string(), ClinicSize::forPatients(400), 3));
    const struct {
        std::vector<std::string> garbled;
        std::optional<std::string> said;
    } cases[] = {
        {{}, std::nullopt},
        {{"complaints"}, "Part of the visits could not be read."},
        {{"complaints", "tests", "patient_info"},
         "Part of the patients' details, the visits and the test results could not be read."},
        {{"complaints_patient"},
         "The index by which the program finds the visits is damaged, but they can all be read."},
        {{"patient_medications", "tests_patient"},
         "Part of the patients' medications could not be read. The index by which the program "
         "finds the test results is damaged, but they can all be read."},
    };
    for (const auto& c : cases) {
        fs::copy_file(clinic, "clinic_db.mdb", fs::copy_options::overwrite_existing);
        garble("clinic_db.mdb", c.garbled);
        const RecordsLock records("clinic_db.mdb");
        ASSERT_EQ(records.failure(), std::nullopt);
        EXPECT_EQ(records.damage(), c.said) << (c.garbled.empty() ? "" : c.garbled[0]);
    }
}

// The patients the rescue names are those whose own row or whose visits were on the pages that
// could not be read: by record number, and by name as the rescued records have it or, when
// their own row was lost, as the damaged file's search keys do.
TEST_F(BackupTest, ARescueNamesThePatientsItCouldNotRead) {
    ASSERT_TRUE(generateClinic("clinic_db.mdb", ClinicSize::forPatients(400), 5));
    // The program's first use gives the patients their search keys.
    ASSERT_TRUE(PatientNameList().FetchAll());
    const auto patients = rows("clinic_db.mdb", "SELECT ID, first_name, last_name FROM patient_info");
    const auto visits = rows("clinic_db.mdb", "SELECT compl_ID, patient_ID FROM complaints");
    garble("clinic_db.mdb", {"patient_info", "complaints"});

    RecordsRescue rescue("clinic_db.mdb");
    ASSERT_EQ(rescue.build(), std::nullopt);
    std::string kept;
    ASSERT_EQ(rescue.replace(kept), std::nullopt);
    std::set<std::string> rescuedPatients, rescuedVisits;
    for (const Row& row : rows("clinic_db.mdb", "SELECT ID FROM patient_info"))
        rescuedPatients.insert(row[0]);
    for (const Row& row : rows("clinic_db.mdb", "SELECT compl_ID FROM complaints"))
        rescuedVisits.insert(row[0]);

    std::map<long long, UnreadablePatient> wanted;
    for (const Row& patient : patients)
        if (!rescuedPatients.count(patient[0]))
            wanted[std::stoll(patient[0])] = {
                std::stoll(patient[0]),
                SearchKey::folded(patient[1]) + " " + SearchKey::folded(patient[2]),
                {"patient_info"}};
    // A patient whose own row was lost is named for it alone: none of their rows is kept.
    for (const Row& visit : visits)
        if (!rescuedVisits.count(visit[0]) && rescuedPatients.count(visit[1])) {
            UnreadablePatient& owner = wanted[std::stoll(visit[1])];
            if (owner.id == 0)
                for (const Row& patient : patients)
                    if (patient[0] == visit[1])
                        owner = {std::stoll(visit[1]), patient[1] + " " + patient[2], {}};
            if (owner.tables.empty() || owner.tables.back() != "complaints")
                owner.tables.push_back("complaints");
        }
    ASSERT_GT(wanted.size(), 1u);
    std::vector<UnreadablePatient> expected;
    for (const auto& [id, patient] : wanted)
        expected.push_back(patient);
    EXPECT_EQ(rescue.unreadable(), expected);
}
