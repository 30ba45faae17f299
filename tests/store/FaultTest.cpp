#include "RecordsHolder.h"
#include "TestDatabase.h"
#include "tests/FakedFileSystem.h"

#include "store/Database.h"
#include "store/store.h"

#include <linux/magic.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <pwd.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct Operation
{
    const char* name;
    Strings tables;
    std::function<bool()> run;
};

// Every operation of the store, on the rows that populate() makes (patient 1 with visit,
// entry, medication and test 1). In this order each one succeeds on a sound database.
std::vector<Operation> everyOperation()
{
    const DateTime day = DateTime::fromCivil(2025, 1, 2);
    const Strings texts(21, "t");
    return {
        {"FetchAll", {"patient_info"}, [] { return PatientNameList().FetchAll(); }},
        {"FetchByID", {"patient_info"}, [] { return PatientNameList().FetchByID("1"); }},
        {"Search", {"patient_info", "search_words"}, [] { return PatientNameList().Search("ann"); }},
        {"Fetch", {"patient_info"}, [] { return PatientDetails().Fetch("1"); }},
        {"FetchAge", {"patient_info"}, [] { return PatientDetails().FetchAge("1"); }},
        {"PatientAdd", {"patient_info", "search_words"}, [=] { return PatientRecord().Add("A", "B", day, 0, "", ""); }},
        {"PatientUpdate", {"patient_info", "search_words"}, [=] { return PatientRecord().Update("1", "A", "B", day, 1, "", ""); }},
        {"VisitFetch", {"complaints"}, [] { return ComplaintList().Fetch("1"); }},
        {"VisitDetails", {"complaints"}, [] { return ComplaintList().FetchDetails("1"); }},
        {"VisitAdd", {"complaints", "patient_info"}, [=] { return ComplaintRecord().Add("1", day, texts); }},
        {"VisitUpdate", {"complaints"}, [=] { return ComplaintRecord().Update("1", "1", day, texts); }},
        {"EntryFetch", {"history_entries"}, [] { return HistoryEntryList().Fetch("1", "Medical"); }},
        {"EntryAdd", {"history_entries", "patient_info"}, [] { return HistoryEntryRecord().Add("1", "Medical", "x"); }},
        {"MedFetch", {"patient_medications"}, [] { return PatientMedicationList().Fetch("1"); }},
        {"MedAdd", {"patient_medications", "patient_info"}, [] { return PatientMedicationRecord().Add("1", "X", "Temporary"); }},
        {"MedNames", {"meds_list"}, [] { return MedicationNameList().FetchAll(); }},
        {"MedAddName", {"meds_list"}, [] { return MedicationNameList().AddName("NEW"); }},
        {"TestFetch", {"tests"}, [] { return TestList().Fetch("1"); }},
        {"TestAdd", {"tests", "patient_info"}, [=] { return TestRecord().Add("1", day, "CBC", "ok"); }},
        {"TestTypes", {"tests_list"}, [] { return TestTypeList().FetchAll(); }},
        {"TestAddType", {"tests_list"}, [] { return TestTypeList().AddName("NEW"); }},
        {"ClinicFetch", {"clinic_info"}, [] { return ClinicInfo().Fetch(); }},
        {"ClinicSave", {"clinic_info"}, [] { return ClinicInfo().Save("a", "b", "c", "d", "e", "f", "g", "h"); }},
        {"VisitDelete", {"complaints"}, [] { return ComplaintRecord().Delete("1"); }},
        {"EntryDelete", {"history_entries"}, [] { return HistoryEntryRecord().Delete("1"); }},
        {"MedDelete", {"patient_medications"}, [] { return PatientMedicationRecord().Delete("1"); }},
        {"TestDelete", {"tests"}, [] { return TestRecord().Delete("1"); }},
        {"DeleteWithRecords", {"patient_info", "complaints", "history_entries", "tests", "patient_medications",
                               "search_words"},
         [] { return PatientRecord().DeleteWithRecords("1"); }},
    };
}

std::string fileBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The rows that everyOperation() works on.
void populate()
{
    PatientRecord record;
    ASSERT_TRUE(record.Add("Ann", "Lee", DateTime::fromCivil(1980, 5, 17), 1, "", ""));
    const std::string patient = record.m_id;
    ASSERT_EQ(patient, "1");
    ASSERT_TRUE(ComplaintRecord().Add(patient, DateTime(45000), Strings(21)));
    ASSERT_TRUE(HistoryEntryRecord().Add(patient, "Medical", "asthma"));
    ASSERT_TRUE(PatientMedicationRecord().Add(patient, "ASPIRIN", "Temporary"));
    ASSERT_TRUE(TestRecord().Add(patient, DateTime(45000), "CBC", "normal"));
}

void expectAllFail()
{
    for (const Operation& op : everyOperation())
        EXPECT_FALSE(op.run()) << op.name;
}

} // namespace

class FaultTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (!IsSkipped())
            populate();
    }
};

ON_BOTH_ENGINES(FaultTest);

TEST_P(FaultTest, EveryOperationSucceedsOnASoundDatabase)
{
    for (const Operation& op : everyOperation())
        EXPECT_TRUE(op.run()) << op.name;
    if (!onServer()) {
        EXPECT_EQ(query("PRAGMA integrity_check"), Strings{"ok"});
    }
}

// A missing file, or a database the server does not have.
TEST_P(FaultTest, MissingRecordsFailAndAreNotCreated)
{
    removeRecords();
    expectAllFail();
    EXPECT_FALSE(recordsExist());
}

// Records on a network drive are refused before anything is read or written, and a screen
// can tell why.
TEST_P(FaultTest, RecordsOnANetworkDriveAreRefused)
{
    if (onServer())
        GTEST_SKIP() << "the server keeps its files itself";
    const std::string before = fileBytes("clinic_db.mdb");
    const std::initializer_list<long> network{NFS_SUPER_MAGIC,  SMB_SUPER_MAGIC, CIFS_SUPER_MAGIC,
                                              SMB2_SUPER_MAGIC, FUSE_SUPER_MAGIC, AFS_FS_MAGIC,
                                              V9FS_MAGIC};
    for (const long type : network) {
        const FakedFileSystem faked(type);
        for (const Operation& op : everyOperation()) {
            EXPECT_FALSE(op.run()) << op.name << " on " << std::hex << type;
            EXPECT_EQ(LastFailure::kind(), FailureKind::NetworkDrive) << op.name;
        }
        EXPECT_EQ(LastFailure::message(),
                  "The records file is on a network drive, where it can be damaged. Use a clinic "
                  "server for several computers (see File › Records database…).");
    }
    EXPECT_EQ(fileBytes("clinic_db.mdb"), before);
    EXPECT_FALSE(std::filesystem::exists("clinic_db.mdb-journal"));

    const std::initializer_list<long> local{EXT4_SUPER_MAGIC, TMPFS_MAGIC, BTRFS_SUPER_MAGIC,
                                            XFS_SUPER_MAGIC};
    for (const long type : local) {
        const FakedFileSystem faked(type);
        EXPECT_TRUE(PatientRecord().Add("Ann", "Lee", DateTime(30000), 1, "", "")) << type;
        EXPECT_EQ(LastFailure::kind(), FailureKind::None);
        EXPECT_EQ(LastFailure::message(), "");
    }
}

TEST_P(FaultTest, LastFailureSaysWhyAnOperationFailed)
{
    const DateTime day(45000);
    const auto withoutRecords = [this] {
        removeRecords();
        return PatientNameList().FetchAll();
    };
    const FailureKind noRecords =
        onServer() ? FailureKind::ServerUnreachable : FailureKind::EngineFailed;
    const struct
    {
        const char* name;
        std::function<bool()> run;
        FailureKind kind;
    } cases[] = {
        {"not a number", [] { return PatientDetails().Fetch("1x"); }, FailureKind::Refused},
        {"found", [] { return PatientDetails().Fetch("1"); }, FailureKind::None},
        {"short visit", [=] { return ComplaintRecord().Add("1", day, Strings(3)); },
         FailureKind::Refused},
        {"no such patient", [] { return PatientDetails().Fetch("999"); },
         FailureKind::NoSuchRecord},
        {"no such visit", [=] { return ComplaintRecord().Update("999", "1", day, Strings(21)); },
         FailureKind::NoSuchRecord},
        {"visit of no patient", [=] { return ComplaintRecord().Add("999", day, Strings(21)); },
         FailureKind::NoSuchRecord},
        {"no such entry", [] { return HistoryEntryRecord().Delete("999"); },
         FailureKind::NoSuchRecord},
        {"records gone", withoutRecords, noRecords},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.run(), c.kind == FailureKind::None) << c.name;
        EXPECT_EQ(LastFailure::kind(), c.kind) << c.name;
        EXPECT_EQ(LastFailure::message(), "") << c.name;
    }
}

TEST_P(FaultTest, CorruptFileFails)
{
    if (onServer())
        GTEST_SKIP() << "the server keeps its files itself";
    const std::string sound = fileBytes("clinic_db.mdb");
    std::mt19937 random(11);
    for (const size_t kept : {size_t{0}, size_t{100}}) {
        std::string bytes = sound;
        for (size_t i = kept; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(random());
        std::ofstream("clinic_db.mdb", std::ios::binary | std::ios::trunc) << bytes;
        SCOPED_TRACE(kept ? "header kept" : "all random");
        expectAllFail();
    }
}

TEST_P(FaultTest, MissingTableFailsItsOperations)
{
    for (const char* table : {"patient_info", "complaints", "history_entries", "patient_medications",
                              "meds_list", "tests", "tests_list", "clinic_info", "search_words"}) {
        resetRecords();
        populate();
        query(std::string("DROP TABLE ") + table);
        for (const Operation& op : everyOperation()) {
            const bool usesTable =
                std::find(op.tables.begin(), op.tables.end(), table) != op.tables.end();
            EXPECT_FALSE(usesTable && op.run()) << op.name << " without " << table;
        }
    }
}

// A file that cannot be written, or a login without rights to Medora's tables.
TEST_P(FaultTest, RecordsWithoutWriteRightsFailAndStayUnchanged)
{
    const std::string before = snapshot();
    if (onServer()) {
        setenv("MEDORA_DATABASE", serverConnection("stranger").c_str(), 1);
    } else {
        std::filesystem::permissions("clinic_db.mdb", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all |
                                                std::filesystem::perms::group_read |
                                                std::filesystem::perms::group_exec |
                                                std::filesystem::perms::others_read |
                                                std::filesystem::perms::others_exec);
    }
    // Root writes through any permission, so the operations run in a child that is not root.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() == 0 && (nobody == nullptr || setgid(nobody->pw_gid) != 0 ||
                               setuid(nobody->pw_uid) != 0))
            _exit(100);
        int succeeded = 0;
        for (const Operation& op : everyOperation())
            succeeded += op.run();
        _exit(succeeded);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "operations that succeeded (100: could not drop root)";
    EXPECT_EQ(snapshot(), before);
}

enum class Holder { Reader, Writer };

class LockTest : public TestDatabase,
                 public ::testing::WithParamInterface<std::tuple<TestEngine, Holder>>
{
protected:
    TestEngine engine() const override { return std::get<0>(GetParam()); }

    void SetUp() override
    {
        TestDatabase::SetUp();
        if (!IsSkipped())
            populate();
    }

    // On the file a reader or a writer; on the server, where readers never hold up anyone,
    // a program with every table locked.
    std::unique_ptr<RecordsHolder> otherProgram()
    {
        if (onServer())
            return RecordsHolder::onServer(serverConnection("postgres"));
        return RecordsHolder::onFile(std::get<1>(GetParam()) == Holder::Reader
                                         ? "SELECT * FROM patient_info"
                                         : "INSERT INTO meds_list VALUES ('HELD')");
    }
};

// Another program holding the records makes every operation give up after a few seconds,
// within five seconds on the server.
TEST_P(LockTest, LockedRecordsFailWithoutHanging)
{
    if (onServer() && std::get<1>(GetParam()) == Holder::Reader)
        GTEST_SKIP() << "readers hold up nobody on the server";
    const std::unique_ptr<RecordsHolder> other = otherProgram();

    const auto start = Clock::now();
    std::vector<std::pair<const char*, std::future<bool>>> results;
    for (Operation& op : everyOperation())
        results.emplace_back(op.name, std::async(std::launch::async, op.run));
    for (auto& [name, result] : results)
        EXPECT_FALSE(result.get()) << name;
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    if (onServer()) {
        EXPECT_LT(waited, std::chrono::seconds(5));
    } else {
        EXPECT_GE(waited, std::chrono::milliseconds(Database::busyTimeoutMs));
    }
    EXPECT_LT(waited, std::chrono::seconds(10));

    other->letGo();
    EXPECT_EQ(count("patient_info"), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, LockTest,
                         ::testing::Combine(::testing::Values(TestEngine::File, TestEngine::Server),
                                            ::testing::Values(Holder::Reader, Holder::Writer)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == TestEngine::File
                                                    ? "File"
                                                    : "Server") +
                                    (std::get<1>(info.param) == Holder::Reader ? "Reader"
                                                                               : "Writer");
                         });

// Another desk changes the same patient at the same moment: this change waits for the other
// and then goes through after it. On the server it first loses the race and is run again.
TEST_P(FaultTest, ChangeOfTheSameRowAtTheSameMomentGoesThroughAfterTheOther)
{
    const char* other = "UPDATE patient_info SET telephone = 'other desk' WHERE ID = 1";
    std::unique_ptr<RecordsHolder> holder =
        onServer() ? RecordsHolder::onServer(serverConnection("postgres"), other)
                   : RecordsHolder::onFile(other);
    std::thread release([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holder->letGo();
    });
    EXPECT_TRUE(PatientRecord().Update("1", "Ann", "Lee", DateTime(30000), 1, "", "this desk"));
    release.join();
    EXPECT_EQ(query("SELECT telephone FROM patient_info"), Strings{"this desk"});
}

// Another desk keeps changing the same patient, one short transaction after another, for far
// longer than a few tries of this change take: this change waits, or loses and runs again,
// until it goes through, within the time an operation has.
TEST_P(FaultTest, ChangeOfARowAnotherDeskKeepsChangingGoesThroughInTime)
{
    const char* other = "UPDATE patient_info SET telephone = 'other desk' WHERE ID = 1";
    std::unique_ptr<RecordsHolder> holder =
        onServer() ? RecordsHolder::onServer(serverConnection("postgres"), other)
                   : RecordsHolder::onFile(other);
    std::promise<bool> held;
    std::thread keepChanging([&] {
        try {
            for (const auto until = Clock::now() + std::chrono::milliseconds(600);
                 Clock::now() < until;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                holder->holdAgain(other);
            }
            holder->letGo();
            held.set_value(true);
        } catch (const std::exception&) {
            held.set_value(false);
        }
    });
    const auto start = Clock::now();
    EXPECT_TRUE(PatientRecord().Update("1", "Ann", "Lee", DateTime(30000), 1, "", "this desk"));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    keepChanging.join();
    EXPECT_TRUE(held.get_future().get());
}

TEST_P(FaultTest, ShortLockIsWaitedFor)
{
    std::unique_ptr<RecordsHolder> other =
        onServer() ? RecordsHolder::onServer(serverConnection("postgres"))
                   : RecordsHolder::onFile("INSERT INTO meds_list VALUES ('HELD')");
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other->letGo();
    });
    const auto start = Clock::now();
    EXPECT_TRUE(PatientNameList().FetchAll());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    release.join();
}
