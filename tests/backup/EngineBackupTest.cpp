#include "../store/TestDatabase.h"
#include "BackupTestSupport.h"

#include "records/AuditTrail.h"
#include "records/DailyBackups.h"
#include "records/MedoraTables.h"
#include "records/RecordsBackup.h"
#include "records/RecordsEngine.h"
#include "records/RecordsFileCheck.h"
#include "records/ServerBackup.h"
#include "store/Database.h"
#include "store/store.h"
#include "tools/ClinicGenerator.h"

#include <sqlite3.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <unistd.h>

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

// The records' content as a server holds it, without the identity and the audit trail, which
// a restore onto a server does not bring.
Rows fileRows(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    Rows rows;
    for (const MedoraTable& table : MedoraTables::onServer()) {
        if (table.derived || table.identity || table.trail)
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

// A restore as the program makes it, keeping the records it replaces in the test's folder.
RecordsBackup::Outcome restore(const std::string& source, const Progress& progress = {}) {
    BeforeRestore keep{".", DateTime::currentLocal()};
    return RecordsBackup::restore(source, keep, progress);
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
        for (const MedoraTable& table : MedoraTables::onServer())
            if (!table.derived && !table.identity && !table.trail)
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
            ASSERT_EQ(restore("records.rbk"), std::nullopt);
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
    ASSERT_EQ(restore("empty.rbk"), std::nullopt);
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
        ASSERT_EQ(restore("records.rbk"), std::nullopt);
        EXPECT_EQ(rows(TestEngine::Server), before);
        EXPECT_EQ(query(indexes), made);
        EXPECT_EQ(query(built) == oids, earlierVersion);
        EXPECT_EQ(count("medora_indexes_aside"), 0);
    }
}

TEST_F(EngineBackupTest, AnotherDeskSeesTheOldRecordsOrTheNewAndGoesOnWorking) {
    fs::copy_file(MEDORA_EMPTY_DB, "large.mdb");
    // Large enough that the desk reads many times during the restore, small enough that the
    // restore ends within the desk's bound on a statement, which its reads wait out.
    const int patients = 1500;
    ASSERT_TRUE(generateClinic("large.mdb", ClinicSize::forPatients(patients)));
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
    seen.erase(patients);
    EXPECT_TRUE(seen.empty()) << "the desk read a mix of old and new records";
    const std::string next = addPatient("Next");
    EXPECT_EQ(count("patient_info", "ID = " + next + " AND first_name = 'Next'"), 1);
    EXPECT_EQ(count("patient_info"), patients + 1);
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
    // What the commands did is in the trail, after what they brought back; what failed is not.
    const auto commandsDone = [](const std::vector<AuditEntry>& trail) {
        std::vector<std::string> done;
        for (const AuditEntry& entry : trail)
            if (entry.action == "import" || entry.action == "backup" || entry.action == "restore")
                done.push_back(entry.action);
        return done;
    };
    EXPECT_EQ(commandsDone(AuditTrail::ofServer(serverConnection("postgres"))),
              (std::vector<std::string>{"import", "backup", "restore"}));

    use(TestEngine::File);
    EXPECT_EQ(admin("backup ../file.rbk"), 0) << said();
    EXPECT_EQ(fileRows("file.rbk"), clinic);
    addPatient("Since");
    EXPECT_EQ(admin("restore ../file.rbk"), 0) << said();
    EXPECT_EQ(rows(TestEngine::File), clinic);
    EXPECT_EQ(commandsDone(AuditTrail::ofFile("clinic_db.mdb")),
              (std::vector<std::string>{"backup", "restore"}));
    // Each restore kept the records it replaced in the data folder's backups.
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(m_dir / "backups"))
        kept += entry.path().filename().string().find("-before-restore-") != std::string::npos;
    EXPECT_EQ(kept, 2);
    unsetenv("MEDORA_DATA_DIR");
}

// medora-admin says what keeps it from the records in a user's words: a server that is down,
// records that init never set up, a folder that is not there.
TEST_F(EngineBackupTest, MedoraAdminSaysWhatIsMissing) {
    const std::string bare = "bare_" + std::to_string(getpid());
    query("CREATE SCHEMA " + bare);
    const std::string down = "host=" + m_dir.string() + " dbname=medora_tests";
    const std::string empty = "host=" + serverFolder() +
                              " dbname=medora_tests user=postgres options='-c search_path=" + bare +
                              "'";
    const std::string downSays = "medora-admin: the server is down or cannot be reached: is it "
                                 "running, and is MEDORA_DATABASE right? (connection to server";
    const std::string notSetUp = "medora-admin: Medora's records are not set up in this "
                                 "database: run medora-admin init first\n";
    const struct {
        std::string database; // none: the records file
        std::string dataFolder;
        std::string arguments;
        std::string said; // the start of what it says
    } cases[] = {
        {down, "", "check", downSays},
        {down, "", "init", downSays},
        {down, "", "backup server.rbk", downSays},
        {down, "", "import clinic_db.mdb", downSays},
        {empty, "", "check", notSetUp},
        {empty, "", "upgrade", notSetUp},
        {empty, "", "backup server.rbk", notSetUp},
        {empty, "", "import clinic_db.mdb", notSetUp},
        {"", ".", "backup nowhere/copy.rbk", "medora-admin: the folder nowhere is not there\n"},
        {"", ".", "restore nowhere/deeper/copy.rbk",
         "medora-admin: the folder nowhere/deeper is not there\n"},
        {m_server, "", "backup nowhere/copy.rbk",
         "medora-admin: the folder nowhere is not there\n"},
        {"", "gone", "backup copy.rbk",
         "medora-admin: the data folder gone is not there: Medora has not been started on this "
         "computer, or MEDORA_DATA_DIR names another folder\n"},
    };
    for (const auto& c : cases) {
        if (c.database.empty())
            unsetenv("MEDORA_DATABASE");
        else
            setenv("MEDORA_DATABASE", c.database.c_str(), 1);
        setenv("MEDORA_DATA_DIR", c.dataFolder.c_str(), 1);
        const int status =
            std::system((MEDORA_ADMIN " " + c.arguments + " >/dev/null 2>admin.err").c_str());
        std::ifstream in("admin.err");
        const std::string said(std::istreambuf_iterator<char>(in), {});
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.arguments << ": " << said;
        EXPECT_EQ(said.substr(0, c.said.size()), c.said) << c.database << " " << c.arguments;
    }
    EXPECT_FALSE(fs::exists("server.rbk"));
    unsetenv("MEDORA_DATA_DIR");
    use(TestEngine::Server);
    query("DROP SCHEMA " + bare);
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
        ASSERT_EQ(restore("clinic.rbk"), std::nullopt);
        const Rows before = rows(engine);
        std::vector<double> told;
        const Progress halfway = [&](double done) {
            told.push_back(done);
            return done < 0.5;
        };
        EXPECT_EQ(RecordsBackup::backup("stopped.rbk", halfway),
                  (FileFailure{FileFailure::Cancelled, "stopped.rbk"}));
        EXPECT_EQ(restore("other.rbk", halfway),
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
        EXPECT_EQ(entry.path().string().find(".medora-partial-"), std::string::npos)
            << entry.path();
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
        // An index the rules' own pass over the rows does not read.
        const long long page = rootPage("spoilt.rbk", "meds_list_name");
        std::fstream spoilt("spoilt.rbk", std::ios::in | std::ios::out | std::ios::binary);
        spoilt.seekp(page * 4096 - 1024);
        spoilt << std::string(1000, 'x');
    }
    std::string fault;
    ASSERT_EQ(RecordsFileCheck::examine("spoilt.rbk", fault), RecordsFileCheck::Verdict::Whole);
    ASSERT_FALSE(RecordsFileCheck::isSound("spoilt.rbk"));
    for (const std::string file : {"text.rbk", "cut.rbk", "spoilt.rbk"}) {
        EXPECT_EQ(restore(file), (FileFailure{FileFailure::NotRecords, file}));
        EXPECT_EQ(rows(TestEngine::Server), before) << file;
    }
}

// The rows go to the server in many batches, each sent before the last is answered: when the
// server refuses one halfway through, the restore says the server's reason, leaves the records
// as they were, and the next restore goes through.
TEST_F(EngineBackupTest, ARowTheServerRefusesHalfwayThroughLeavesTheRecordsAsTheyWere) {
    use(TestEngine::Server);
    fillRecords("Kept");
    const Rows before = rows(TestEngine::Server);
    fs::copy_file(MEDORA_EMPTY_DB, "clinic.rbk");
    ASSERT_TRUE(generateClinic("clinic.rbk", ClinicSize::forPatients(1500)));
    fs::copy_file("clinic.rbk", "refused.rbk");
    ASSERT_TRUE(changeFile("refused.rbk",
                           "UPDATE complaints SET diagnosis = 'refused' WHERE compl_ID ="
                           " (SELECT compl_ID FROM complaints ORDER BY compl_ID LIMIT 1"
                           " OFFSET (SELECT count(*) / 2 FROM complaints))"));
    query("ALTER TABLE complaints ADD CONSTRAINT not_refused CHECK (diagnosis <> 'refused')");

    const auto failure = restore("refused.rbk");
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, FileFailure::ServerFailed);
    EXPECT_NE(failure->detail.find("not_refused"), std::string::npos) << failure->detail;
    EXPECT_EQ(rows(TestEngine::Server), before);

    ASSERT_EQ(restore("clinic.rbk"), std::nullopt);
    EXPECT_EQ(rows(TestEngine::Server), fileRows("clinic.rbk"));
}

namespace {

// The identity a records file or backup carries.
std::string identityIn(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* row = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM records_identity", -1, &row, nullptr);
    std::string id;
    if (sqlite3_step(row) == SQLITE_ROW)
        id = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
    sqlite3_finalize(row);
    sqlite3_close(db);
    return id;
}

std::string identityInUse() {
    std::string id;
    EXPECT_EQ(RecordsBackup::identity(id), std::nullopt);
    return id;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

} // namespace

// The file and the server, backed up day by day into one folder (a desk that uses both, or a
// USB drive two clinics share), each keep their own backups and their own retention; a backup
// named by the day alone, as earlier versions made them, is left alone.
TEST_F(EngineBackupTest, TwoSetsOfRecordsSharingAFolderKeepTheirOwnDailyBackups) {
    fs::create_directory("shared");
    std::ofstream("shared/medora-2026-11-30.rbk") << "an earlier version's backup";
    std::map<TestEngine, std::string> identity;
    std::map<TestEngine, Rows> content;
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        use(engine);
        fillRecords(std::string("Only ") + name(engine));
        identity[engine] = identityInUse();
        content[engine] = rows(engine);
        EXPECT_EQ(identity[engine].size(), 32u);
    }
    ASSERT_NE(identity[TestEngine::File], identity[TestEngine::Server]);
    const DateTime last = DateTime::fromCivil(2026, 12, 9);
    for (DateTime day = DateTime::fromCivil(2026, 12, 1); day.days() <= last.days();
         day = DateTime(day.days() + 1))
        for (const TestEngine engine : {TestEngine::Server, TestEngine::File}) {
            use(engine);
            ASSERT_EQ(DailyBackups("shared", identity[engine]).make(day), std::nullopt);
        }
    std::vector<std::string> expected = {"medora-2026-11-30.rbk"};
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        const DailyBackups backups("shared", identity[engine]);
        // Monday 30 November to Sunday 6 December is one week: its older days go.
        for (int day = 3; day <= 9; ++day) {
            const std::string file = backups.fileFor(DateTime::fromCivil(2026, 12, day));
            expected.push_back(fs::path(file).filename().string());
            EXPECT_EQ(fileRows(file), content[engine]) << file;
            EXPECT_EQ(identityIn(file), identity[engine]) << file;
        }
    }
    std::ranges::sort(expected);
    EXPECT_EQ(namesIn("shared"), expected);
}

// Before it replaces them, a restore keeps the records in use as a backup of their own, which
// the daily backups' retention never thins out, and the restored records keep the identity of
// those they replaced: on the file, a backup of the server's records then never names its
// backups as the server's do. Where the records cannot be kept, nothing is restored.
TEST_F(EngineBackupTest, ARestoreKeepsTheRecordsItReplacesAndTheirIdentity) {
    fs::create_directory("backups");
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        SCOPED_TRACE(name(engine));
        const TestEngine other = engine == TestEngine::File ? TestEngine::Server : TestEngine::File;
        use(other);
        fillRecords("Brought");
        const std::string otherIdentity = identityInUse();
        const Rows brought = rows(other);
        ASSERT_EQ(RecordsBackup::backup("other.rbk"), std::nullopt);

        use(engine);
        fillRecords("Replaced");
        const std::string own = identityInUse();
        const Rows replaced = rows(engine);
        const DateTime morning = DateTime::fromCivil(2026, 12, 8, 8, 0);
        const DailyBackups daily("backups", own);
        ASSERT_EQ(daily.make(morning), std::nullopt);

        BeforeRestore missing{"no-such-folder", DateTime::fromCivil(2026, 12, 8, 14, 5, 9)};
        const auto refused = RecordsBackup::restore("other.rbk", missing);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->kind, FileFailure::NotKept);
        EXPECT_EQ(rows(engine), replaced);

        BeforeRestore keep{"backups", DateTime::fromCivil(2026, 12, 8, 14, 5, 9)};
        ASSERT_EQ(RecordsBackup::restore("other.rbk", keep), std::nullopt);
        EXPECT_EQ(keep.keptAs,
                  "backups/medora-" + own.substr(0, 12) + "-before-restore-2026-12-08-140509.rbk");
        EXPECT_EQ(rows(engine), brought);
        EXPECT_EQ(identityInUse(), own);
        EXPECT_NE(identityInUse(), otherIdentity);
        EXPECT_EQ(fileRows(keep.keptAs), replaced);
        EXPECT_EQ(identityIn(keep.keptAs), own);

        // Closing backs up the restored records that day, and the days after it thin out the
        // daily backups; the replaced records stay kept, also after a second restore in the
        // same second.
        BeforeRestore again = keep;
        ASSERT_EQ(RecordsBackup::restore("other.rbk", again), std::nullopt);
        EXPECT_EQ(again.keptAs, "backups/medora-" + own.substr(0, 12) +
                                    "-before-restore-2026-12-08-140509-2.rbk");
        for (DateTime day = morning; day.days() < morning.days() + 10;
             day = DateTime(day.days() + 1))
            ASSERT_EQ(daily.make(day), std::nullopt);
        EXPECT_FALSE(fs::exists(daily.fileFor(morning)));
        EXPECT_EQ(fileRows(keep.keptAs), replaced);
        EXPECT_EQ(fileRows(again.keptAs), brought);
        fs::remove_all("backups");
        fs::create_directory("backups");
        resetRecords();
        fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb", fs::copy_options::overwrite_existing);
    }
}

// Whole-database work is asked of the engine in use, which alone knows whether its records are
// there yet and whether they are a file that can be damaged and rescued row by row: the
// records file in the folder is no business of a desk on the server.
TEST_F(EngineBackupTest, TheEngineInUseAnswersForItsOwnRecords) {
    for (const TestEngine engine : {TestEngine::File, TestEngine::Server}) {
        SCOPED_TRACE(name(engine));
        use(engine);
        fillRecords("Kept");
        const auto records = RecordsEngine::current();
        EXPECT_TRUE(records->exists());
        EXPECT_EQ(records->check(), std::nullopt);
        EXPECT_EQ(records->rescue() != nullptr, engine == TestEngine::File);
        ASSERT_EQ(records->backup("kept.rbk", {}), std::nullopt);
        EXPECT_TRUE(RecordsFileCheck::isRecords("kept.rbk"));
        fs::rename("clinic_db.mdb", "aside.mdb");
        EXPECT_EQ(RecordsEngine::current()->exists(), engine == TestEngine::Server);
        std::string id;
        EXPECT_EQ(RecordsEngine::current()->identity(id).has_value(), engine == TestEngine::File);
        fs::rename("aside.mdb", "clinic_db.mdb");
        fs::remove("kept.rbk");
    }
}

// The program names its records file when it starts; a process that then works in another
// folder still keeps, backs up, restores and guards that file, and never makes one there.
TEST_F(EngineBackupTest, TheNamedRecordsFileIsUsedWhereverTheProcessWorks) {
    use(TestEngine::File);
    const std::string named = fs::absolute("clinic_db.mdb").string();
    fs::create_directory("elsewhere");
    struct Elsewhere {
        explicit Elsewhere(const std::string& records) {
            fs::current_path("elsewhere");
            Engine::setRecordsFile(records);
        }
        ~Elsewhere() {
            Engine::setRecordsFile(Database::fileName);
            fs::current_path("..");
        }
    } elsewhere(named);
    fillRecords("Named");
    EXPECT_TRUE(RecordsEngine::current()->exists());
    ASSERT_EQ(RecordsBackup::backup("kept.rbk"), std::nullopt);
    const Rows kept = fileRows(named);
    fillRecords("Later");
    const auto overRecords = RecordsBackup::backup(named);
    ASSERT_TRUE(overRecords.has_value());
    EXPECT_EQ(overRecords->kind, FileFailure::RecordsItself);
    ASSERT_EQ(restore("kept.rbk"), std::nullopt);
    EXPECT_EQ(fileRows(named), kept);
    EXPECT_FALSE(fs::exists("clinic_db.mdb"));
}
