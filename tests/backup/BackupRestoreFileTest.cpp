#include "../store/OldRecordsFile.h"
#include "BackupTestSupport.h"
#include "DamagedClinic.h"
#include "ReadOnlyFile.h"
#include "ReadProbe.h"
#include "UnwritableFolder.h"

#include "records/DatabaseBackup.h"
#include "records/RecordsBackup.h"
#include "records/RecordsLock.h"
#include "store/RecordsIdentity.h"
#include "store/SchemaSteps.h"
#include "store/store.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Kind = FileFailure::Kind;

DatabaseBackup::Outcome backUp(const std::string& target) {
    return DatabaseBackup::backup("clinic_db.mdb", target);
}

std::vector<std::string> patientNames() {
    PatientNameList list;
    EXPECT_TRUE(list.FetchAll());
    return list.m_firstNames;
}

// Another program's connection that holds the records' exclusive lock while it lives.
struct OtherProgram {
    sqlite3* db = nullptr;
    OtherProgram() {
        sqlite3_open("clinic_db.mdb", &db);
        EXPECT_EQ(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~OtherProgram() { sqlite3_close(db); }
};

} // namespace

TEST_F(BackupTest, RestoreBringsBackTheBackupsRecordsByteForByte) {
    addPatient("Before");
    fill(2'600'000); // several pieces, the last one short
    ASSERT_EQ(backUp("copy.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("copy.rbk"), fingerprint("clinic_db.mdb"));
    EXPECT_EQ(mode("copy.rbk"), 0600u);

    ASSERT_EQ(DatabaseBackup::restore("copy.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("clinic_db.mdb"), fingerprint("copy.rbk"));

    addPatient("Since");
    ASSERT_EQ(DatabaseBackup::restore("copy.rbk"), std::nullopt);
    EXPECT_EQ(recordsIn("clinic_db.mdb"), recordsIn("copy.rbk"));
    EXPECT_EQ(mode("clinic_db.mdb"), 0600u);
    EXPECT_EQ(patientNames().front(), "Before");
    EXPECT_EQ(count("patient_info", "first_name = 'Since'"), 0);
    EXPECT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb", "copy.rbk"}));
}

// A backup made before the search kept keys is still whole records: it restores, and its
// first use gives its patients their keys.
TEST_F(BackupTest, ABackupFromBeforeTheSearchRestoresAndIsSearched) {
    ASSERT_TRUE(makeOldRecordsFile("before.rbk",
                                   "INSERT INTO patient_info (first_name, last_name, DOB)"
                                   " VALUES ('Chloé', 'Lefèvre', '1980-05-17 00:00:00')"));
    addPatient("Current");
    ASSERT_EQ(DatabaseBackup::restore("before.rbk"), std::nullopt);
    PatientNameList found;
    ASSERT_TRUE(found.Search("chloe lefe"));
    EXPECT_EQ(found.m_lastNames, std::vector<std::string>{"Lefèvre"});
    EXPECT_EQ(query("PRAGMA user_version"),
              std::vector<std::string>{std::to_string(SchemaSteps::current())});
    ASSERT_EQ(backUp("after.rbk"), std::nullopt);
    ASSERT_EQ(DatabaseBackup::restore("after.rbk"), std::nullopt);
    EXPECT_EQ(count("search_words", "kind = 1 AND word = 'lefevre'"), 1);
}

// A backup whose keys do not match its patients, as another program left them: the restore
// makes them again, though the records in use had been searched before.
TEST_F(BackupTest, ARestoreMakesAgainKeysThatDoNotMatchThePatients) {
    addPatient("Ann", "Lee");
    ASSERT_EQ(backUp("changed.rbk"), std::nullopt);
    sqlite3* db = nullptr;
    sqlite3_open("changed.rbk", &db);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE patient_info SET last_name = 'Zyxwv';"
                           " INSERT INTO patient_info (first_name, last_name, DOB) VALUES"
                           " ('Bo', 'Zyxwv', '1990-03-14 00:00:00')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    PatientNameList before;
    ASSERT_TRUE(before.Search("lee"));
    BeforeRestore keep{".", DateTime::fromCivil(2026, 12, 8, 9, 0)};
    ASSERT_EQ(RecordsBackup::restore("changed.rbk", keep), std::nullopt);
    PatientNameList found;
    ASSERT_TRUE(found.Search("zyxwv"));
    EXPECT_EQ(found.m_firstNames, (std::vector<std::string>{"Ann", "Bo"}));
    ASSERT_TRUE(found.Search("lee"));
    EXPECT_EQ(found.m_found, 0);
}

TEST_F(BackupTest, BackupReplacesAnOlderBackupOfTheSameName) {
    write("copy.rbk", "an older backup");
    addPatient();
    ASSERT_EQ(backUp("copy.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("copy.rbk"), fingerprint("clinic_db.mdb"));
}

// A records file that can be read but not written is copied under a shared lock, which keeps
// writers out as well as the exclusive one.
TEST_F(BackupTest, ARecordsFileThatCannotBeWrittenStillBacksUp) {
    addPatient("Kept");
    const ReadOnlyFile records("clinic_db.mdb");
    if (!records.holds())
        GTEST_SKIP() << "no file can be made read-only for this user on this file system";
    ASSERT_EQ(RecordsBackup::backup("copy.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("copy.rbk"), fingerprint("clinic_db.mdb"));
    EXPECT_EQ(RecordsLock("clinic_db.mdb").failure(),
              (FileFailure{FileFailure::AccessDenied, "clinic_db.mdb"}));
    EXPECT_TRUE(shellCanRead());
}

// Every piece is read under the lock: neither the store in this process nor another program
// gets at the records halfway through, and the store's closing its own connection does not
// lose the backup its lock. The check of the copy, which takes several times as long as the
// copy, leaves the records free.
TEST_F(BackupTest, NothingReachesTheRecordsWhileABackupCopiesButTheyAreFreeWhileItIsChecked) {
    fill(3'000'000);
    int pieces = 0;
    int largest = 0;
    bool storeTried = false;
    {
        ReadProbe probe([&](int amount, long long) {
            largest = std::max(largest, amount);
            if (amount <= 65536)
                return; // the engine's own reads of a page
            ++pieces;
            if (!storeTried) {
                storeTried = true;
                EXPECT_FALSE(PatientRecord().Add("Halfway", "In", DateTime(40000), 0, "", ""));
            }
            EXPECT_FALSE(shellCanRead()) << "piece " << pieces;
        });
        ASSERT_EQ(backUp("copy.rbk"), std::nullopt);
    }
    EXPECT_GE(pieces, 3);
    EXPECT_LE(largest, 4 << 20);
    EXPECT_TRUE(shellCanRead());
    EXPECT_EQ(fingerprint("copy.rbk"), fingerprint("clinic_db.mdb"));

    bool freeWhileChecked = false;
    const auto written = DatabaseBackup::backup("clinic_db.mdb", "checked.rbk", [&](double done) {
        if (done > 0.5 && !freeWhileChecked)
            freeWhileChecked = shellCanRead() &&
                               PatientRecord().Add("During", "Check", DateTime(40000), 0, "", "");
        return true;
    });
    EXPECT_EQ(written, std::nullopt);
    EXPECT_TRUE(freeWhileChecked);
    EXPECT_EQ(fingerprint("checked.rbk"), fingerprint("copy.rbk"));
}

TEST_F(BackupTest, BackupFailuresNameTheFileAndLeaveNothingBehind) {
    write("file", "a file, not a folder");
    EXPECT_EQ(backUp("file/copy.rbk"), (FileFailure{FileFailure::BadPath, "file/copy.rbk"}));

    fill(200'000);
    write("copy.rbk", "an older backup");
    EXPECT_EQ(inChild(100'000, [] { return backUp("copy.rbk"); }), Kind::DiskFull);
    EXPECT_EQ(contents("copy.rbk"), "an older backup");
    EXPECT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb", "copy.rbk", "file"}));

    {
        const OtherProgram other;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(backUp("locked.rbk"),
                  (FileFailure{FileFailure::SharingViolation, "clinic_db.mdb"}));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    }

    fs::remove("clinic_db.mdb");
    EXPECT_EQ(backUp("gone.rbk"), (FileFailure{FileFailure::NotFound, "clinic_db.mdb"}));
    EXPECT_EQ(files(), (std::vector<std::string>{"copy.rbk", "file"}));
}

TEST_F(BackupTest, RestoreRefusesWhatIsNotAWholeMedoraDatabase) {
    addPatient("Current");
    fill(300'000);
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    const std::string good = contents("good.rbk");
    write("text.rbk", "Dear doctor,\nthis is a letter, not a database.\n");
    write("empty.rbk", "");
    write("half.rbk", good.substr(0, good.size() / 2));
    write("cut.rbk", good.substr(0, good.size() - 100));
    write("bent.rbk", good.substr(0, 60'000) + std::string(4096, 'x') + good.substr(64'096));
    sqlite3* db = nullptr;
    sqlite3_open("other.rbk", &db);
    sqlite3_exec(db, "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT)", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    fs::copy_file("good.rbk", "older.rbk");
    sqlite3_open("older.rbk", &db);
    sqlite3_exec(db, "ALTER TABLE complaints DROP COLUMN treatment", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    // Of this version, yet without the search's keys.
    fs::copy_file("good.rbk", "keyless.rbk");
    sqlite3_open("keyless.rbk", &db);
    sqlite3_exec(db, "DROP TABLE search_words", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    const std::string before = fingerprint("clinic_db.mdb");
    for (const char* file :
         {"text.rbk", "empty.rbk", "half.rbk", "cut.rbk", "bent.rbk", "other.rbk"}) {
        EXPECT_EQ(DatabaseBackup::restore(file), (FileFailure{FileFailure::NotRecords, file}));
        EXPECT_EQ(fingerprint("clinic_db.mdb"), before) << file;
    }
    for (const char* file : {"older.rbk", "keyless.rbk"}) {
        EXPECT_EQ(DatabaseBackup::restore(file).value_or(FileFailure{}).kind, Kind::Refused);
        EXPECT_EQ(fingerprint("clinic_db.mdb"), before) << file;
    }
    EXPECT_EQ(DatabaseBackup::restore("missing.rbk"),
              (FileFailure{FileFailure::NotFound, "missing.rbk"}));
    EXPECT_EQ(DatabaseBackup::restore("."), (FileFailure{FileFailure::AccessDenied, "."}));
    EXPECT_EQ(files().size(), 10u); // the database and the nine files, nothing half-made
}

TEST_F(BackupTest, FailedRestoresLeaveTheRecordsAsTheyWere) {
    fill(200'000);
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    addPatient("Current");
    const std::string before = fingerprint("clinic_db.mdb");

    EXPECT_EQ(inChild(100'000, [] { return DatabaseBackup::restore("good.rbk"); }), Kind::DiskFull);
    EXPECT_EQ(fingerprint("clinic_db.mdb"), before);
    {
        const OtherProgram other;
        EXPECT_EQ(DatabaseBackup::restore("good.rbk"),
                  (FileFailure{FileFailure::SharingViolation, "clinic_db.mdb"}));
    }
    EXPECT_EQ(fingerprint("clinic_db.mdb"), before);
    EXPECT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb", "good.rbk"}));
}

TEST_F(BackupTest, FoldersThatTakeNoNewFileAreRefused) {
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    fs::create_directory("shut");
    fs::copy_file("clinic_db.mdb", "shut/clinic_db.mdb");
    addPatient("Elsewhere");
    const UnwritableFolder folder("shut");
    if (!folder.holds())
        GTEST_SKIP() << "no folder can be made unwritable for this user on this file system";

    EXPECT_EQ(backUp("shut/copy.rbk"), (FileFailure{FileFailure::AccessDenied, "shut/copy.rbk"}));
    fs::current_path("shut");
    const std::string before = fingerprint("clinic_db.mdb");
    EXPECT_EQ(DatabaseBackup::restore("../good.rbk"),
              (FileFailure{FileFailure::AccessDenied, "clinic_db.mdb"}));
    EXPECT_EQ(fingerprint("clinic_db.mdb"), before);
    EXPECT_EQ(files(), (std::vector<std::string>{"clinic_db.mdb"}));
    fs::current_path(m_dir);
}

// A journal left by a writer that died, beside a database that is gone since, must not be
// rolled back into the restored one.
TEST_F(BackupTest, RestoreWithoutADatabaseIgnoresAnOrphanedJournal) {
    fill(300'000);
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    query("UPDATE patient_info SET last_name = 'Later'");
    const pid_t writer = fork();
    if (writer == 0) {
        sqlite3* db = nullptr;
        sqlite3_open("clinic_db.mdb", &db);
        // A one-page cache makes the change reach the file before the commit.
        sqlite3_exec(db, "PRAGMA cache_size=1; BEGIN; UPDATE patient_info SET address = 'x'",
                     nullptr, nullptr, nullptr);
        raise(SIGKILL);
    }
    waitpid(writer, nullptr, 0);
    ASSERT_TRUE(fs::exists("clinic_db.mdb-journal"));
    fs::remove("clinic_db.mdb");

    ASSERT_EQ(DatabaseBackup::restore("good.rbk"), std::nullopt);
    EXPECT_EQ(count("patient_info", "last_name = 'Later'"), 0);
    EXPECT_EQ(fingerprint("clinic_db.mdb"), fingerprint("good.rbk"));
}

// Restoring is how a spoilt records file is mended, so a current file that is no database
// does not stand in the way.
TEST_F(BackupTest, RestoreReplacesRecordsThatAreNoLongerADatabase) {
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    write("clinic_db.mdb", std::string(8192, '\x5a'));
    ASSERT_EQ(DatabaseBackup::restore("good.rbk"), std::nullopt);
    EXPECT_EQ(fingerprint("clinic_db.mdb"), fingerprint("good.rbk"));
    EXPECT_EQ(patientNames(), std::vector<std::string>{});
}

// Damaged records are what a restore most often mends: they give no proven backup, so the
// restore keeps them byte for byte, for a later rescue, and goes on.
TEST_F(BackupTest, ARestoreOverDamagedRecordsKeepsThemAsTheyAre) {
    addPatient("Kept");
    ASSERT_EQ(backUp("good.rbk"), std::nullopt);
    fs::copy_file(MEDORA_EMPTY_DB, "clinic_db.mdb", fs::copy_options::overwrite_existing);
    const DamagedClinic damaged("clinic_db.mdb");
    ASSERT_TRUE(damaged.made());
    const std::string damagedPrint = fingerprint("clinic_db.mdb");
    fs::create_directory("backups");
    BeforeRestore keep{"backups", DateTime::fromCivil(2026, 12, 8, 14, 5, 9)};
    ASSERT_EQ(RecordsBackup::restore("good.rbk", keep), std::nullopt);
    EXPECT_EQ(patientNames(), std::vector<std::string>{"Kept"});
    ASSERT_TRUE(keep.keptAs.ends_with("-before-restore-2026-12-08-140509-damaged.mdb"))
        << keep.keptAs;
    EXPECT_EQ(fingerprint(keep.keptAs), damagedPrint);
}
