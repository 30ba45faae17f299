#include "../store/OldRecordsFile.h"
#include "../store/TestDatabase.h"
#include "BackupTestSupport.h"

#include "records/DatabaseBackup.h"
#include "records/RecordsBackup.h"
#include "records/ServerBackup.h"
#include "store/SchemaSteps.h"
#include "store/store.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A restore from the menu, which keeps the records it replaces beside them.
RecordsBackup::Outcome restoreKeeping(const std::string& source) {
    BeforeRestore keep{".", DateTime::fromCivil(2026, 12, 8, 14, 5, 9)};
    return RecordsBackup::restore(source, keep);
}

// A kind of bad backup: what is done to a good one, and what the refusal says.
struct BadBackup {
    const char* name;
    const char* change;
    const char* said;
};

const BadBackup kBadBackups[] = {
    {"Trigger",
     "CREATE TRIGGER wipe_visits AFTER INSERT ON patient_info BEGIN DELETE FROM complaints; END",
     "The backup holds a trigger Medora did not make (wipe_visits)."},
    {"View", "CREATE VIEW everyone AS SELECT * FROM patient_info",
     "The backup holds a view Medora did not make (everyone)."},
    {"UnknownTable", "CREATE TABLE invoices (id INTEGER PRIMARY KEY, amount INTEGER)",
     "The backup holds a table Medora did not make (invoices)."},
    {"UnknownIndex", "CREATE INDEX patient_towns ON patient_info (address)",
     "The backup holds an index Medora did not make (patient_towns)."},
    {"ExtraColumn", "ALTER TABLE patient_info ADD COLUMN insurer TEXT",
     "The backup's table of patients has a column Medora did not make (insurer)."},
    {"PatientsWithoutTheirKey",
     "CREATE TABLE loose (ID INTEGER, first_name TEXT, last_name TEXT, DOB TEXT, Gender INTEGER,"
     " address TEXT, telephone TEXT);"
     "INSERT INTO loose SELECT * FROM patient_info; INSERT INTO loose SELECT * FROM patient_info;"
     "INSERT INTO loose (first_name, DOB) VALUES ('Nobody', 'garbage');"
     "DROP TABLE patient_info; ALTER TABLE loose RENAME TO patient_info",
     "The backup's table of patients is not as Medora made it."},
    {"DateOfBirthGarbage",
     "PRAGMA ignore_check_constraints = ON; UPDATE patient_info SET DOB = 'garbage'",
     "Patient 1's date of birth is not a date Medora can read."},
    {"NoSuchDay", "UPDATE tests SET date = '2024-02-30 10:00:00'",
     "Test 1's date is not a date Medora can read."},
    {"NameIndexDropped", "DROP INDEX meds_list_name",
     "The backup lacks an index Medora made on the medication names (meds_list_name)."},
    {"NumbersRunOut", "UPDATE sqlite_sequence SET seq = 2147483647 WHERE name = 'patient_info'",
     "The backup has given the patients numbers up to 2147483647, at or beyond the last number "
     "Medora can give (2147483647)."},
    {"NumbersBelowTheKeys", "UPDATE sqlite_sequence SET seq = 0 WHERE name = 'complaints'",
     "The backup has given the visits numbers only up to 0, yet it holds Visit 1."},
    {"KeyAboveRange", "UPDATE complaints SET compl_ID = 3000000000",
     "Visit 3000000000 is numbered at or beyond the last number Medora can give (2147483647)."},
    {"NegativeKey", "UPDATE meds_list SET rowid = -4",
     "Medication name -4 has a number Medora does not give."},
    {"TextNotUtf8", "UPDATE patient_info SET address = CAST(x'4d61696eff20537420' AS TEXT)",
     "Patient 1 holds text that is not valid UTF-8."},
    {"TextWithNul", "UPDATE complaints SET diagnosis = CAST(x'666c7500' AS TEXT)",
     "Visit 1 holds text with a NUL character."},
    {"OrphanVisit", "UPDATE complaints SET patient_ID = 99", "Visit 1 belongs to no patient."},
    {"OrphanEntry", "UPDATE history_entries SET patient_ID = 99",
     "History entry 1 belongs to no patient."},
    {"OrphanMedication", "UPDATE patient_medications SET patient_ID = 99",
     "Medication 1 belongs to no patient."},
    {"OrphanTest", "UPDATE tests SET patient_ID = 99", "Test 1 belongs to no patient."},
    {"NewerVersion", "PRAGMA user_version = 1000",
     "The backup was made by a newer version of Medora, which this one cannot restore."},
    {"UnknownVersion", "PRAGMA user_version = -1",
     "The backup is of a version of Medora's records that this program does not know (-1)."},
    {"VersionWithoutItsTable", "PRAGMA user_version = 1; DROP TABLE search_words",
     "The backup lacks Medora's table of search keys."},
};

void PrintTo(const BadBackup& backup, std::ostream* out) {
    *out << backup.name;
}

// A patient with one of everything a record holds, each numbered 1 in fresh records.
void fillRecords() {
    PatientRecord patient;
    ASSERT_TRUE(patient.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "1 Main St", "555"));
    std::vector<std::string> texts(ComplaintRecord::textCount, "fine");
    ASSERT_TRUE(ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2024, 3, 1, 9, 30), texts));
    ASSERT_TRUE(HistoryEntryRecord().Add(patient.m_id, "Allergy", "Penicillin"));
    ASSERT_TRUE(PatientMedicationRecord().Add(patient.m_id, "ASPIRIN", "current"));
    ASSERT_TRUE(TestRecord().Add(patient.m_id, DateTime::fromCivil(2024, 3, 2), "CBC", "normal"));
    ASSERT_TRUE(MedicationNameList().AddName("ASPIRIN"));
}

// The schema step a backup says it stands at.
int stepOf(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_stmt* version = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr);
    const int step = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : -1;
    sqlite3_finalize(version);
    sqlite3_close(db);
    return step;
}

std::string refusal(const char* said) {
    return std::string(said) + " The records were left as they were.";
}

} // namespace

// Restore and import on either engine: the records file in the test's folder, or the test's
// records on the server.
class RestoreSourceTest : public TestDatabase {
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    void SetUp() override {
        TestDatabase::SetUp();
        if (IsSkipped())
            return;
        m_server = std::getenv("MEDORA_DATABASE");
        fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb");
    }

    void use(TestEngine engine) {
        if (engine == TestEngine::File)
            unsetenv("MEDORA_DATABASE");
        else
            setenv("MEDORA_DATABASE", m_server.c_str(), 1);
    }

    // The patients and visits of the records in use, through the store.
    static std::string held() {
        PatientNameList patients;
        EXPECT_TRUE(patients.FetchAll());
        long long visits = 0;
        for (const std::string& id : patients.m_ids) {
            ComplaintList list;
            EXPECT_TRUE(list.Fetch(id));
            visits += static_cast<long long>(list.m_ids.size());
        }
        return std::to_string(patients.m_ids.size()) + " patients, " + std::to_string(visits) +
               " visits";
    }

    // The records as they were, and a patient added to them afterwards.
    void expectUnchanged(const std::string& before) {
        EXPECT_EQ(held(), before);
        EXPECT_FALSE(addPatient("After").empty());
    }

    std::string m_server;
};

// Restore and import, on either engine, take only records exactly as Medora made them: each
// bad backup is refused, in words that name what is wrong, and the records stay as they were
// and go on working.
class BadBackupTest : public RestoreSourceTest, public ::testing::WithParamInterface<BadBackup> {};

TEST_P(BadBackupTest, IsRefusedOnBothEnginesAndChangesNothing) {
    use(TestEngine::File);
    fillRecords();
    ASSERT_EQ(DatabaseBackup::backup("clinic_db.mdb", "bad.rbk"), std::nullopt);
    ASSERT_TRUE(changeFile("bad.rbk", GetParam().change));
    const FileFailure refused{FileFailure::Refused, "bad.rbk", GetParam().said};
    EXPECT_EQ(refused.describe(), refusal(GetParam().said));
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        SCOPED_TRACE(engine == TestEngine::File ? "restore on the file" : "restore on the server");
        use(engine);
        addPatient("Kept");
        const std::string before = held();
        EXPECT_EQ(restoreKeeping("bad.rbk"), refused);
        expectUnchanged(before);
    }
    SCOPED_TRACE("import on the server");
    resetRecords();
    EXPECT_EQ(ServerBackup(m_server, "").import("bad.rbk"), refused);
    expectUnchanged("0 patients, 0 visits");
    // Records that another program changed so give no backup, and the reason is told.
    fs::copy_file("bad.rbk", "clinic_db.mdb", fs::copy_options::overwrite_existing);
    EXPECT_EQ(DatabaseBackup::backup("clinic_db.mdb", "again.rbk"),
              (FileFailure{FileFailure::FailedCheck, "again.rbk", GetParam().said}));
    EXPECT_FALSE(fs::exists("again.rbk"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadBackupTest, ::testing::ValuesIn(kBadBackups),
                         [](const auto& info) { return std::string(info.param.name); });

// Good backups of every version Medora has made, and the server's, restore and import on
// either engine.
TEST_F(RestoreSourceTest, GoodBackupsOfEachVersionRestoreAndImportOnBothEngines) {
    use(TestEngine::File);
    fillRecords();
    ASSERT_EQ(DatabaseBackup::backup("clinic_db.mdb", "current.rbk"), std::nullopt);
    ASSERT_TRUE(makeOldRecordsFile(
        "before-search.rbk",
        "INSERT INTO patient_info (first_name, last_name, DOB)"
        " VALUES ('Chloé', 'Lefèvre', '1980-05-17 00:00:00');"
        "INSERT INTO complaints (patient_ID, date) VALUES (1, '2020-01-02 03:04:05')"));
    use(TestEngine::Server);
    addPatient("Server");
    ASSERT_EQ(RecordsBackup::backup("server.rbk"), std::nullopt);
    // Each backup keeps the step its records stood at.
    EXPECT_EQ(stepOf("current.rbk"), SchemaSteps::current());
    EXPECT_EQ(stepOf("before-search.rbk"), 0);
    EXPECT_EQ(stepOf("server.rbk"), SchemaSteps::current());
    for (const char* backup : {"current.rbk", "before-search.rbk", "server.rbk"})
        for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
            SCOPED_TRACE(std::string(backup) +
                         (engine == TestEngine::File ? " on the file" : " on the server"));
            use(engine);
            EXPECT_EQ(restoreKeeping(backup), std::nullopt);
            EXPECT_EQ(held(), std::string(backup) == "server.rbk" ? "1 patients, 0 visits"
                                                                  : "1 patients, 1 visits");
            EXPECT_FALSE(addPatient("After").empty());
            if (engine == TestEngine::File) {
                EXPECT_EQ(stepOf("clinic_db.mdb"), SchemaSteps::current());
            }
            if (engine == TestEngine::Server) {
                resetRecords();
                EXPECT_EQ(ServerBackup(m_server, "").import(backup), std::nullopt);
            }
        }
}
