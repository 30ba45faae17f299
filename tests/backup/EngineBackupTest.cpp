#include "../store/TestDatabase.h"

#include "records/MedoraTables.h"
#include "records/RecordsBackup.h"
#include "records/RecordsFileCheck.h"
#include "records/ServerBackup.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::string>;

const char* name(TestEngine engine) {
    return engine == TestEngine::File ? "File" : "Server";
}

// Each table's rows in key order, as "table: column|column|...", the rowid first where the
// table has no key of its own.
std::string selectAll(const MedoraTable& table) {
    std::string columns = table.key.empty() ? "rowid" : "";
    for (const MedoraColumn& column : table.columns)
        columns += (columns.empty() ? "" : ", ") + column.name;
    return "SELECT " + columns + " FROM " + table.name + " ORDER BY " +
           (table.key.empty() ? "rowid" : table.key);
}

Rows fileRows(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    Rows rows;
    for (const MedoraTable& table : MedoraTables::all()) {
        if (table.derived)
            continue;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, selectAll(table).c_str(), -1, &statement, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row = table.name + ":";
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row +=
                    (i ? "|" : " ") +
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

// A patient whose texts need escaping, with one of everything a record holds; and a newer
// patient taken away again, so that the largest key given is larger than any key held.
std::string fillRecords(const std::string& firstName) {
    PatientRecord patient;
    EXPECT_TRUE(patient.Add(firstName, "O'Brien\\Lee\ttab", DateTime::fromCivil(1980, 5, 17), 1,
                            "1 Main St\nSpringfield\r\n", "555-0101"));
    std::vector<std::string> texts(ComplaintRecord::textCount, "fine");
    texts[0] = "cough\\n, not a line end";
    EXPECT_TRUE(ComplaintRecord().Add(patient.m_id, DateTime::fromCivil(2024, 3, 1, 9, 30), texts));
    EXPECT_TRUE(HistoryEntryRecord().Add(patient.m_id, "Allergy", "Penicillin"));
    EXPECT_TRUE(PatientMedicationRecord().Add(patient.m_id, "ASPIRIN", "current"));
    EXPECT_TRUE(TestRecord().Add(patient.m_id, DateTime::fromCivil(2024, 3, 2), "CBC", "normal"));
    EXPECT_TRUE(MedicationNameList().AddName("ASPIRIN"));
    EXPECT_TRUE(TestTypeList().AddName("CBC"));
    EXPECT_TRUE(ClinicInfo().Save("Sunrise Clinic", "Dr Zoë Adams", "MD", "555-0100", "2 High St",
                                  "Springfield", "Ontario", "K1A 0B1"));
    PatientRecord gone;
    EXPECT_TRUE(gone.Add("Gone", "Soon", DateTime::fromCivil(1990, 1, 1), 0, "", ""));
    EXPECT_TRUE(PatientRecord().DeleteWithRecords(gone.m_id));
    return gone.m_id;
}

// The page where an index or table of a records file starts.
long long rootPage(const std::string& path, const std::string& name) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* root = nullptr;
    sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = ?", -1, &root, nullptr);
    sqlite3_bind_text(root, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    const long long page = sqlite3_step(root) == SQLITE_ROW ? sqlite3_column_int64(root, 0) : 0;
    sqlite3_finalize(root);
    sqlite3_close(db);
    return page;
}

} // namespace

// Backups and restores across the two engines: the records file in the test's folder and the
// test's records on the server, either of which the store uses as MEDORA_DATABASE says.
class EngineBackupTest : public TestDatabase {
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    void SetUp() override {
        TestDatabase::SetUp();
        if (IsSkipped())
            return;
        fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb");
        m_server = std::getenv("MEDORA_DATABASE");
    }

    void use(TestEngine engine) {
        if (engine == TestEngine::File)
            unsetenv("MEDORA_DATABASE");
        else
            setenv("MEDORA_DATABASE", m_server.c_str(), 1);
    }

    Rows rows(TestEngine engine) {
        if (engine == TestEngine::File)
            return fileRows("clinic_db.mdb");
        Rows all;
        for (const MedoraTable& table : MedoraTables::all())
            if (!table.derived)
                for (const std::string& row : query(selectAll(table)))
                    all.push_back(table.name + ": " + row);
        return all;
    }

    std::string m_server;
};

TEST_F(EngineBackupTest, ABackupRestoresOnEitherEngineWithItsRowsKeysAndClinic) {
    for (const TestEngine from : {TestEngine::Server, TestEngine::File})
        for (const TestEngine to : {TestEngine::File, TestEngine::Server}) {
            SCOPED_TRACE(std::string(name(from)) + " to " + name(to));
            resetRecords();
            fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb", fs::copy_options::overwrite_existing);
            use(from);
            fillRecords(std::string("Zoë ") + name(from));
            const std::string gone = fillRecords("Second");
            const Rows before = rows(from);
            ASSERT_EQ(RecordsBackup::backup("records.rbk"), std::nullopt);
            EXPECT_EQ(fileRows("records.rbk"), before);

            use(to);
            const std::string replaced = fillRecords("Replaced");
            ASSERT_EQ(RecordsBackup::restore("records.rbk"), std::nullopt);
            EXPECT_EQ(rows(to), before);
            // The search's keys are made anew for the restored patients, and only for them.
            PatientNameList found;
            EXPECT_TRUE(found.Search("zoe"));
            EXPECT_EQ(found.m_lastNames, Rows{"O'Brien\\Lee\ttab"});
            EXPECT_TRUE(found.Search("replaced") && found.m_found == 0);
            // The server never gives a key twice; the file takes back the backup's memory of
            // the keys it gave.
            const long long last = to == TestEngine::Server
                                       ? std::max(std::stoll(gone), std::stoll(replaced))
                                       : std::stoll(gone);
            EXPECT_EQ(std::stoll(addPatient("After")), last + 1);
        }
}

TEST_F(EngineBackupTest, ARestoreNeverMovesTheServersKeysBack) {
    use(TestEngine::Server);
    ASSERT_EQ(RecordsBackup::backup("empty.rbk"), std::nullopt);
    const std::string last = addPatient("Last");
    ASSERT_EQ(RecordsBackup::restore("empty.rbk"), std::nullopt);
    EXPECT_EQ(count("patient_info"), 0);
    EXPECT_EQ(std::stoll(addPatient("Next")), std::stoll(last) + 1);
}

// Records set up by an earlier version cannot set their indexes aside; a restore keeps them
// up to date row by row instead. Either way the indexes are all there afterwards.
TEST_F(EngineBackupTest, ARestoreLeavesTheIndexesAsTheyWere) {
    use(TestEngine::Server);
    fillRecords("Kept");
    ASSERT_EQ(RecordsBackup::backup("records.rbk"), std::nullopt);
    const Rows before = rows(TestEngine::Server);
    const std::string indexes = "SELECT indexdef FROM pg_indexes WHERE schemaname = "
                                "current_schema() ORDER BY 1";
    const Rows made = query(indexes);
    // An index built again is a new one.
    const std::string built = "SELECT indexrelid FROM pg_index JOIN pg_class ON pg_class.oid ="
                              " indrelid WHERE relnamespace = current_schema()::regnamespace"
                              " ORDER BY indexrelid::regclass::text";
    for (const bool earlierVersion : {false, true}) {
        SCOPED_TRACE(earlierVersion ? "earlier version" : "this version");
        if (earlierVersion)
            query("DROP FUNCTION medora_set_indexes_aside()");
        const Rows oids = query(built);
        ASSERT_EQ(RecordsBackup::restore("records.rbk"), std::nullopt);
        EXPECT_EQ(rows(TestEngine::Server), before);
        EXPECT_EQ(query(indexes), made);
        EXPECT_EQ(query(built) == oids, earlierVersion);
        EXPECT_EQ(count("medora_indexes_aside"), 0);
    }
}

TEST_F(EngineBackupTest, AnotherDeskSeesTheOldRecordsOrTheNewAndGoesOnWorking) {
    fs::copy_file(MEDORA_EMPTY_DB, "large.mdb");
    ASSERT_TRUE(generateClinic("large.mdb", ClinicSize::forPatients(3000)));
    use(TestEngine::Server);
    for (const char* patient : {"Old", "Older", "Oldest"})
        addPatient(patient);
    std::atomic<bool> restoring = true;
    std::set<size_t> seen;
    int failures = 0;
    std::atomic<bool> read = false;
    std::thread desk([&] {
        while (restoring) {
            PatientNameList patients;
            if (patients.FetchAll())
                seen.insert(patients.m_ids.size());
            else
                ++failures;
            read = true;
        }
    });
    while (!read)
        std::this_thread::yield();
    const auto outcome = ServerBackup(m_server, "").restore("large.mdb");
    restoring = false;
    desk.join();
    ASSERT_EQ(outcome, std::nullopt);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(seen.count(3)) << "the desk never read the old records";
    seen.erase(3);
    seen.erase(3000);
    EXPECT_TRUE(seen.empty()) << "the desk read a mix of old and new records";
    const std::string next = addPatient("Next");
    EXPECT_EQ(count("patient_info", "ID = " + next + " AND first_name = 'Next'"), 1);
    EXPECT_EQ(count("patient_info"), 3001);
}

// medora-admin, run from another folder than the data folder, names its files from there.
TEST_F(EngineBackupTest, MedoraAdminMovesAClinicOntoItsServerAndBacksUpEitherEngine) {
    const auto admin = [](const std::string& arguments) {
        const int status = std::system(
            ("cd elsewhere && " MEDORA_ADMIN " " + arguments + " >/dev/null 2>../admin.err")
                .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const auto said = [] {
        std::ifstream in("admin.err");
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    fs::create_directory("elsewhere");
    setenv("MEDORA_DATA_DIR", m_dir.c_str(), 1);
    use(TestEngine::File);
    fillRecords("Moved");
    const Rows clinic = rows(TestEngine::File);

    setenv("MEDORA_DATABASE", serverConnection("postgres").c_str(), 1);
    EXPECT_EQ(admin("import ../clinic_db.mdb"), 0) << said();
    EXPECT_EQ(rows(TestEngine::Server), clinic);
    EXPECT_EQ(admin("import ../clinic_db.mdb"), 1);
    EXPECT_EQ(said(), "medora-admin: The records already hold patients; they were left as they "
                      "were.\n");
    EXPECT_EQ(rows(TestEngine::Server), clinic);

    use(TestEngine::Server);
    EXPECT_EQ(admin("backup ../server.rbk"), 0) << said();
    addPatient("Since");
    EXPECT_EQ(admin("restore ../server.rbk"), 0) << said();
    EXPECT_EQ(rows(TestEngine::Server), clinic);
    EXPECT_EQ(admin("restore ../missing.rbk"), 1);
    EXPECT_EQ(said(), "medora-admin: ../missing.rbk was not found.\n");

    use(TestEngine::File);
    EXPECT_EQ(admin("backup ../file.rbk"), 0) << said();
    EXPECT_EQ(fileRows("file.rbk"), clinic);
    addPatient("Since");
    EXPECT_EQ(admin("restore ../file.rbk"), 0) << said();
    EXPECT_EQ(rows(TestEngine::File), clinic);
    unsetenv("MEDORA_DATA_DIR");
}

// Stopped through its progress halfway, an operation leaves no file behind and the records
// as they were, on either engine.
TEST_F(EngineBackupTest, AnOperationStoppedHalfwayLeavesEverythingAsItWas) {
    for (const char* file : {"clinic.rbk", "other.rbk"})
        fs::copy_file(MEDORA_EMPTY_DB, file);
    ASSERT_TRUE(generateClinic("clinic.rbk", ClinicSize::forPatients(800)));
    ASSERT_TRUE(generateClinic("other.rbk", ClinicSize::forPatients(700), 2));
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        SCOPED_TRACE(name(engine));
        use(engine);
        ASSERT_EQ(RecordsBackup::restore("clinic.rbk"), std::nullopt);
        const Rows before = rows(engine);
        std::vector<double> told;
        const Progress halfway = [&](double done) {
            told.push_back(done);
            return done < 0.5;
        };
        EXPECT_EQ(RecordsBackup::backup("stopped.rbk", halfway),
                  (FileFailure{FileFailure::Cancelled, "stopped.rbk"}));
        EXPECT_EQ(RecordsBackup::restore("other.rbk", halfway),
                  (FileFailure{FileFailure::Cancelled, "other.rbk"}));
        EXPECT_EQ(rows(engine), before);
        EXPECT_FALSE(fs::exists("stopped.rbk"));
        ASSERT_GE(told.size(), 2u);
        EXPECT_TRUE(std::is_sorted(told.begin(), told.begin() + 2));
        // Asked while the server is waited for too, before the first row is copied.
        EXPECT_GE(told.front(), 0.0);
        EXPECT_LE(told.back(), 1.0);
    }
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos) << entry.path();
}

// Whether its tables are wrong or only an index is spoilt, which the engine's check finds
// while the rows are already on their way to the server, a file that is not whole Medora
// records leaves the server's records as they were.
TEST_F(EngineBackupTest, ARestoreOnTheServerRefusesWhatIsNotWholeRecords) {
    use(TestEngine::Server);
    fillRecords("Kept");
    const Rows before = rows(TestEngine::Server);
    fs::copy_file(MEDORA_EMPTY_DB, "spoilt.rbk");
    ASSERT_TRUE(generateClinic("spoilt.rbk", ClinicSize::forPatients(300)));
    fs::copy_file("spoilt.rbk", "cut.rbk");
    fs::resize_file("cut.rbk", fs::file_size("cut.rbk") - 4096);
    {
        std::ofstream("text.rbk") << "Appointments for Monday:\n9:00 Ann Lee\n";
        const long long page = rootPage("spoilt.rbk", "complaints_patient");
        std::fstream spoilt("spoilt.rbk", std::ios::in | std::ios::out | std::ios::binary);
        spoilt.seekp(page * 4096 - 1024);
        spoilt << std::string(1000, 'x');
    }
    ASSERT_TRUE(RecordsFileCheck::hasRecordsLayout("spoilt.rbk"));
    ASSERT_FALSE(RecordsFileCheck::isSound("spoilt.rbk"));
    for (const std::string file : {"text.rbk", "cut.rbk", "spoilt.rbk"}) {
        EXPECT_EQ(RecordsBackup::restore(file), (FileFailure{FileFailure::NotRecords, file}));
        EXPECT_EQ(rows(TestEngine::Server), before) << file;
    }
}

// Columns and tables that another tool added to a Medora database are no reason to refuse it;
// the program restores Medora's own and goes on working.
TEST_F(EngineBackupTest, ARestoreAcceptsTablesAndColumnsMedoraDoesNotKnow) {
    use(TestEngine::File);
    fillRecords("Kept");
    ASSERT_EQ(RecordsBackup::backup("extended.rbk"), std::nullopt);
    sqlite3* db = nullptr;
    sqlite3_open("extended.rbk", &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "ALTER TABLE patient_info ADD COLUMN insurer TEXT;"
                           "CREATE TABLE invoices (id INTEGER PRIMARY KEY, amount INTEGER)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        SCOPED_TRACE(name(engine));
        use(engine);
        resetRecords();
        ASSERT_EQ(RecordsBackup::restore("extended.rbk"), std::nullopt);
        PatientNameList found;
        EXPECT_TRUE(found.Search("kept") && found.m_found > 0);
        EXPECT_FALSE(addPatient("After").empty());
    }
}
