#include "TestDatabase.h"

#include "store/AuditChain.h"
#include "records/AuditReport.h"
#include "records/AuditTrail.h"
#include "records/RecordsBackup.h"
#include "store/AccessTrail.h"
#include "store/AccessWriter.h"
#include "store/Database.h"
#include "store/LastFailure.h"
#include "store/Session.h"

#include <libpq-fe.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// One row in every table of records, each holding the word "before", for patient 1.
const char* const kRowsBefore[] = {
    "INSERT INTO patient_info (first_name, last_name, DOB) VALUES"
    " ('before', 'Lee', '1980-05-17 00:00:00')",
    "INSERT INTO complaints (patient_ID, date, complaint) VALUES (1, '2020-01-02 03:04:05', 'before')",
    "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (1, 'Allergy', 'before')",
    "INSERT INTO patient_medications (patient_ID, name, status) VALUES (1, 'before', 'current')",
    "INSERT INTO tests (patient_ID, date, type, results) VALUES (1, '2020-01-03 00:00:00', 'CBC', 'before')",
    "INSERT INTO meds_list (name) VALUES ('before')",
    "INSERT INTO tests_list (name) VALUES ('before')",
    "UPDATE clinic_info SET clinic_name = 'before'",
};

// A change of one table of records, and the row the entry must keep: the new row for an
// insert, else the row as it was.
struct Change {
    const char* table;
    const char* action;
    const char* sql;
    const char* kept; // a word of the kept row's JSON
    const char* patient;
};

const Change kChanges[] = {
    {"patient_info", "insert",
     "INSERT INTO patient_info (first_name, last_name, DOB) VALUES ('after', 'Ng', '1990-01-01 00:00:00')",
     "after", "2"},
    {"patient_info", "update", "UPDATE patient_info SET first_name = 'after'", "before", "1"},
    {"patient_info", "delete", "DELETE FROM patient_info", "before", "1"},
    {"complaints", "insert",
     "INSERT INTO complaints (patient_ID, date, complaint) VALUES (1, '2021-01-01 00:00:00', 'after')",
     "after", "1"},
    {"complaints", "update", "UPDATE complaints SET complaint = 'after'", "before", "1"},
    {"complaints", "delete", "DELETE FROM complaints", "before", "1"},
    {"history_entries", "insert",
     "INSERT INTO history_entries (patient_ID, entry_type, entry_details) VALUES (1, 'Social', 'after')",
     "after", "1"},
    {"history_entries", "update", "UPDATE history_entries SET entry_details = 'after'", "before", "1"},
    {"history_entries", "delete", "DELETE FROM history_entries", "before", "1"},
    {"patient_medications", "insert",
     "INSERT INTO patient_medications (patient_ID, name, status) VALUES (1, 'after', 'past')", "after",
     "1"},
    {"patient_medications", "update", "UPDATE patient_medications SET name = 'after'", "before", "1"},
    {"patient_medications", "delete", "DELETE FROM patient_medications", "before", "1"},
    {"tests", "insert",
     "INSERT INTO tests (patient_ID, date, type, results) VALUES (1, '2021-01-01 00:00:00', 'Hb', 'after')",
     "after", "1"},
    {"tests", "update", "UPDATE tests SET results = 'after'", "before", "1"},
    {"tests", "delete", "DELETE FROM tests", "before", "1"},
    {"meds_list", "insert", "INSERT INTO meds_list (name) VALUES ('after')", "after", "NULL"},
    {"meds_list", "update", "UPDATE meds_list SET name = 'after'", "before", "NULL"},
    {"meds_list", "delete", "DELETE FROM meds_list", "before", "NULL"},
    {"tests_list", "insert", "INSERT INTO tests_list (name) VALUES ('after')", "after", "NULL"},
    {"tests_list", "update", "UPDATE tests_list SET name = 'after'", "before", "NULL"},
    {"tests_list", "delete", "DELETE FROM tests_list", "before", "NULL"},
    {"clinic_info", "insert", "INSERT INTO clinic_info (info_ID, clinic_name) VALUES (2, 'after')",
     "after", "NULL"},
    {"clinic_info", "update", "UPDATE clinic_info SET clinic_name = 'after'", "before", "NULL"},
    {"clinic_info", "delete", "DELETE FROM clinic_info", "before", "NULL"},
};

void PrintTo(const Change& change, std::ostream* out)
{
    *out << change.table << " " << change.action;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Runs the statements as one operation of the store, as a desk's own.
bool throughTheStore(const Strings& statements)
{
    return Database::run([&](Database& db) {
        for (const std::string& sql : statements)
            db.prepare(sql.c_str()).run();
        return true;
    });
}

const char* const kSignedIn = "dr_audit";

} // namespace

TestEngine engineOf(TestEngine engine)
{
    return engine;
}

template <typename Case>
TestEngine engineOf(const std::tuple<TestEngine, Case>& param)
{
    return std::get<0>(param);
}

// The store's tests of the trail, each run once on every engine, with a user signed in.
template <typename Param>
class AuditFixture : public TestDatabase, public ::testing::WithParamInterface<Param>
{
protected:
    TestEngine engine() const override { return engineOf(this->GetParam()); }

    void SetUp() override
    {
        TestDatabase::SetUp();
        if (!IsSkipped())
            Session::signIn(UserAccount{kSignedIn, "", UserRole::Administrator});
    }
    void TearDown() override
    {
        Session::signOut();
        TestDatabase::TearDown();
    }

    // Who the trail names for the store's changes: the user signed in to the file, the
    // server's login.
    std::string actingUser() const { return onServer() ? "desk" : kSignedIn; }

    std::vector<AuditEntry> trail()
    {
        return onServer() ? AuditTrail::ofServer(serverConnection("postgres"))
                          : AuditTrail::ofFile("clinic_db.mdb");
    }

    // Entries through the store: a patient added, changed and removed, and a name added.
    void makeEntries()
    {
        ASSERT_TRUE(throughTheStore({kRowsBefore[0]}));
        ASSERT_TRUE(throughTheStore({"UPDATE patient_info SET last_name = 'Li'"}));
        ASSERT_TRUE(throughTheStore({kRowsBefore[5], "DELETE FROM patient_info"}));
        ASSERT_EQ(trail().size(), 4u);
    }
};

using AuditTrailTest = AuditFixture<TestEngine>;

using AuditedChangeTest = AuditFixture<std::tuple<TestEngine, Change>>;

// Each insert, update and delete of each table of records, made as a desk makes it, enters
// exactly one entry: who made it, what, on which row of which table, and the row it changed.
TEST_P(AuditedChangeTest, EachChangeEntersOneEntryWithTheRowItChanged)
{
    const Change& change = std::get<1>(GetParam());
    query("DELETE FROM clinic_info WHERE info_ID <> 1");
    for (const char* sql : kRowsBefore)
        query(sql);
    const size_t before = trail().size();

    ASSERT_TRUE(throughTheStore({change.sql}));

    const std::vector<AuditEntry> entries = trail();
    ASSERT_EQ(entries.size(), before + 1);
    const AuditEntry& entry = entries.back();
    EXPECT_EQ(entry.user, actingUser());
    EXPECT_EQ(entry.action, change.action);
    EXPECT_EQ(entry.table, change.table);
    EXPECT_EQ(entry.patient, std::string(change.patient) == "NULL" ? "" : change.patient);
    EXPECT_TRUE(contains(entry.details, std::string("\"") + change.kept + "\"")) << entry.details;
    EXPECT_FALSE(contains(entry.details, std::string("\"") +
                                             (std::string(change.kept) == "after" ? "before"
                                                                                  : "after") +
                                             "\""))
        << entry.details;
    EXPECT_FALSE(entry.desk.empty());
    EXPECT_FALSE(entry.record.empty());
    EXPECT_EQ(AuditChain::firstBreak(entries), std::nullopt);
}

std::string changeName(const ::testing::TestParamInfo<std::tuple<TestEngine, Change>>& info)
{
    const Change& change = std::get<1>(info.param);
    return std::string(std::get<0>(info.param) == TestEngine::File ? "File_" : "Server_") +
           change.table + "_" + change.action;
}

INSTANTIATE_TEST_SUITE_P(Engines, AuditedChangeTest,
                         ::testing::Combine(::testing::Values(TestEngine::File, TestEngine::Server),
                                            ::testing::ValuesIn(kChanges)),
                         changeName);

// A change whose transaction fails after it leaves no entry; the next change chains onto the
// entry before it.
TEST_P(AuditTrailTest, AChangeWhoseTransactionFailsLeavesNoEntry)
{
    ASSERT_TRUE(throughTheStore({"INSERT INTO meds_list (name) VALUES ('ASPIRIN')"}));
    EXPECT_FALSE(throughTheStore({"INSERT INTO tests_list (name) VALUES ('CBC')",
                                  "UPDATE patient_info SET first_name = 'x'",
                                  "INSERT INTO meds_list (name) VALUES ('ASPIRIN')"}));
    EXPECT_EQ(count("tests_list"), 0);
    const std::vector<AuditEntry> entries = trail();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(throughTheStore({"INSERT INTO tests_list (name) VALUES ('CBC')"}));
    const std::vector<AuditEntry> after = trail();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[1].previousHash, entries[0].hash);
    EXPECT_EQ(AuditChain::firstBreak(after), std::nullopt);
}

// Entries as the engine stored them (hashed in SQL on the server, before the insert on the
// file) hash to exactly what the chain's check reads back, with text that needs escaping too;
// the first chains onto 64 zeros.
TEST_P(AuditTrailTest, EntriesTheEngineWroteVerify)
{
    ASSERT_TRUE(throughTheStore({"INSERT INTO patient_info (first_name, last_name, DOB, address)"
                                 " VALUES ('Seán', 'O''Brien\\', '1980-05-17 00:00:00',"
                                 " 'line one\nline two\\nnot a break')",
                                 "UPDATE patient_info SET telephone = '555'"}));
    const std::vector<AuditEntry> entries = trail();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].previousHash, AuditChain::kFirstPrevious);
    EXPECT_TRUE(contains(entries[0].details, "Seán"));
    for (const AuditEntry& entry : entries)
        EXPECT_EQ(AuditChain::hashOf(entry), entry.hash) << AuditChain::canonical(entry);
    EXPECT_EQ(AuditChain::firstBreak(entries), std::nullopt);
    EXPECT_TRUE(std::regex_match(entries[0].timeUtc,
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")))
        << entries[0].timeUtc;
}

// Every kind of access enters one entry in the chain, with who acted and the patient where
// there is one; a change's word, or any other but an access's, is refused there, so that no
// desk passes one off as a change, and so are details longer than an access needs.
TEST_P(AuditTrailTest, EachAccessEntersOneEntry)
{
    Strings words;
    for (const Access access : AccessTrail::all()) {
        ASSERT_TRUE(AccessTrail::enter({access, "patient_info", "7", 7,
                                        {{"printout", "the record's \"summary\""}}}))
            << AccessTrail::word(access) << ": " << LastFailure::message();
        words.push_back(AccessTrail::word(access));
    }
    ASSERT_TRUE(AccessTrail::enter({Access::Backup, "", "", std::nullopt}));
    for (const std::string& refused :
         {std::string("'update', '{}'"), std::string("'peeked', '{}'"),
          "'print', '\"" + std::string(1000, 'x') + "\"'"})
        EXPECT_FALSE(throughTheStore({"INSERT INTO medora_access (action, details) VALUES (" +
                                      refused + ")"}))
            << refused.substr(0, 20);

    const std::vector<AuditEntry> entries = trail();
    ASSERT_EQ(entries.size(), words.size() + 1);
    for (size_t i = 0; i < words.size(); ++i) {
        EXPECT_EQ(entries[i].action, words[i]);
        EXPECT_EQ(entries[i].user, actingUser());
        EXPECT_EQ(entries[i].patient, "7");
        EXPECT_EQ(entries[i].details, R"({"printout":"the record's \"summary\""})");
    }
    EXPECT_EQ(entries.back().patient, "");
    EXPECT_EQ(entries.back().details, "{}");
    EXPECT_EQ(AuditChain::firstBreak(entries), std::nullopt);
}

// Openings entered by the writer's thread go into the trail in the order they were made, each
// as the user who made it, before whatever the store does next.
TEST_P(AuditTrailTest, QueuedOpeningsAreEnteredInOrderAsTheirUser)
{
    int failed = 0;
    const auto queueOpening = [&](long long patient) {
        AccessWriter::queue({Access::Open, "patient_info", std::to_string(patient), patient},
                            [&] { ++failed; });
    };
    for (long long patient = 1; patient <= 20; ++patient)
        queueOpening(patient);
    Session::signIn(UserAccount{"dr_next", "", UserRole::Administrator});
    queueOpening(21);
    ASSERT_TRUE(AccessTrail::enter({Access::Backup, "", "", std::nullopt}));

    const std::vector<AuditEntry> entries = trail();
    ASSERT_EQ(entries.size(), 22u);
    EXPECT_EQ(failed, 0);
    for (size_t i = 0; i < 21; ++i) {
        EXPECT_EQ(entries[i].action, "open");
        EXPECT_EQ(entries[i].patient, std::to_string(i + 1));
        EXPECT_EQ(entries[i].user, onServer() ? "desk" : i < 20 ? kSignedIn : "dr_next");
    }
    EXPECT_EQ(entries.back().action, "backup");
}

// What someone with the file or the owner's rights might do to the trail behind the program's
// back, and the first entry the check names.
struct Tampering {
    const char* name;
    const char* sql; // on the four entries makeEntries() makes, numbered from `$1`
    int firstBad;    // counted from the first entry, 0 for it
    const char* says;
};

const Tampering kTamperings[] = {
    {"TextChanged", "UPDATE audit_trail SET details = replace(details, 'Lee', 'Lea')"
                    " WHERE entry_id = $1 + 1",
     1, "was changed"},
    {"RemovedFromTheMiddle", "DELETE FROM audit_trail WHERE entry_id = $1 + 1", 2,
     "does not follow"},
    {"TwoSwapped",
     "UPDATE audit_trail SET (time_utc, time_local, user_name, desk, action, table_name,"
     " record_id, patient_id, details, previous_hash, hash) = (SELECT time_utc, time_local,"
     " user_name, desk, action, table_name, record_id, patient_id, details, previous_hash, hash"
     " FROM audit_trail other WHERE other.entry_id = CASE WHEN audit_trail.entry_id = $1 + 1"
     " THEN $1 + 2 ELSE $1 + 1 END) WHERE entry_id IN ($1 + 1, $1 + 2)",
     1, "does not follow"},
    {"FirstRemoved", "DELETE FROM audit_trail WHERE entry_id = $1", 1, "does not follow"},
};

using TamperedTrailTest = AuditFixture<std::tuple<TestEngine, Tampering>>;

TEST_P(TamperedTrailTest, TheFirstBadEntryIsNamed)
{
    const Tampering& tampering = std::get<1>(GetParam());
    makeEntries();
    const std::vector<AuditEntry> whole = trail();
    std::string sql = tampering.sql;
    for (size_t at; (at = sql.find("$1")) != std::string::npos;)
        sql.replace(at, 2, std::to_string(whole[0].id));
    query(sql);
    const auto broken = AuditChain::firstBreak(trail());
    ASSERT_TRUE(broken.has_value());
    EXPECT_EQ(broken->entry, whole[size_t(tampering.firstBad)].id);
    EXPECT_TRUE(contains(broken->why, tampering.says)) << broken->why;
    EXPECT_TRUE(contains(broken->why, "entry " + std::to_string(broken->entry))) << broken->why;
}

std::string tamperingName(const ::testing::TestParamInfo<std::tuple<TestEngine, Tampering>>& info)
{
    return std::string(std::get<0>(info.param) == TestEngine::File ? "File_" : "Server_") +
           std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Engines, TamperedTrailTest,
                         ::testing::Combine(::testing::Values(TestEngine::File, TestEngine::Server),
                                            ::testing::ValuesIn(kTamperings)),
                         tamperingName);

// The newest entries removed leave a chain that is whole in itself: only a backup taken before
// shows them gone, through medora-admin as the clinic runs it.
TEST_P(AuditTrailTest, NewestEntriesRemovedAreCaughtAgainstABackup)
{
    makeEntries();
    ASSERT_EQ(RecordsBackup::backup((m_dir / "before.rbk").string()), std::nullopt);
    const std::string command =
        (onServer() ? "MEDORA_DATABASE=\"" + serverConnection("postgres") + "\""
                    : "MEDORA_DATABASE= MEDORA_DATA_DIR='" + m_dir.string() + "'") +
        " " MEDORA_ADMIN " audit verify";
    const auto run = [](const std::string& line, std::string& said) {
        said.clear();
        std::unique_ptr<FILE, int (*)(FILE*)> out(popen((line + " 2>&1").c_str(), "r"), pclose);
        std::array<char, 512> chunk{};
        while (fgets(chunk.data(), int(chunk.size()), out.get()) != nullptr)
            said += chunk.data();
        return WEXITSTATUS(pclose(out.release()));
    };
    std::string said;
    ASSERT_EQ(run(command + " --against before.rbk", said), 0) << said;
    EXPECT_TRUE(contains(said, "4 entries, the last hashed " + trail().back().hash)) << said;

    const std::string third = std::to_string(trail()[2].id);
    query("DELETE FROM audit_trail WHERE entry_id >= " + third);
    ASSERT_TRUE(throughTheStore({"INSERT INTO tests_list (name) VALUES ('CBC')"}));
    EXPECT_EQ(run(command, said), 0) << said;
    EXPECT_NE(run(command + " --against before.rbk", said), 0) << said;
    EXPECT_TRUE(contains(said, "entry " + third + " of the backup")) << said;

    const std::string report = command.substr(0, command.size() - std::string("verify").size()) +
                               "report --action insert --user " + actingUser();
    ASSERT_EQ(run(report, said), 0) << said;
    EXPECT_EQ(said.substr(0, said.find('\r')), "time,user,desk,action,table,record,patient,details");
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 3) << said; // the header and 2 inserts
}

// A restore brings back the backup's records but never shortens the trail: today's entries
// stay, whole and in order, the change undone by the restore among them.
TEST_P(AuditTrailTest, ARestoreKeepsTodaysTrail)
{
    makeEntries();
    ASSERT_EQ(RecordsBackup::backup((m_dir / "before.rbk").string()), std::nullopt);
    ASSERT_TRUE(throughTheStore({"INSERT INTO tests_list (name) VALUES ('CBC')"}));
    const std::vector<AuditEntry> today = trail();
    BeforeRestore keep{m_dir.string(), DateTime::fromCivil(2026, 3, 4)};
    ASSERT_EQ(RecordsBackup::restore((m_dir / "before.rbk").string(), keep), std::nullopt);

    EXPECT_EQ(count("tests_list"), 0);
    const std::vector<AuditEntry> after = trail();
    EXPECT_EQ(AuditChain::departure(after, today), std::nullopt);
    EXPECT_EQ(AuditChain::firstBreak(after), std::nullopt);
    ASSERT_TRUE(throughTheStore({"INSERT INTO meds_list (name) VALUES ('ASPIRIN')"}));
    EXPECT_GT(trail().back().id, today.back().id);
    EXPECT_EQ(AuditChain::firstBreak(trail()), std::nullopt);
}

ON_BOTH_ENGINES(AuditTrailTest);

// A desk's login works on the server with plain SQL as it likes, within its group's rights.
class DeskSqlTest : public TestDatabase
{
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    void SetUp() override
    {
        TestDatabase::SetUp();
        if (IsSkipped())
            return;
        m_login = "clinician_" + std::to_string(getpid());
        query("DROP ROLE IF EXISTS " + m_login);
        query("CREATE ROLE " + m_login + " LOGIN IN ROLE medora_clinician");
        m_desk = PQconnectdb(serverConnection(m_login).c_str());
        ASSERT_EQ(PQstatus(m_desk), CONNECTION_OK) << PQerrorMessage(m_desk);
    }
    void TearDown() override
    {
        PQfinish(m_desk);
        if (!m_login.empty())
            query("DROP ROLE IF EXISTS " + m_login);
        TestDatabase::TearDown();
    }

    // The server's word on the statement run as the desk's login: empty when it ran.
    std::string refusal(const std::string& sql)
    {
        PGresult* result = PQexec(m_desk, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        const std::string said = PQresultErrorMessage(result);
        PQclear(result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ? "" : said;
    }

    std::string m_login;
    pg_conn* m_desk = nullptr;
};

// The login may change the records, and its changes enter the trail under its own name, but
// it may neither read nor change the trail, nor take the triggers that keep it away.
TEST_F(DeskSqlTest, ADeskLoginCannotTouchTheTrailAndIsNamedInIt)
{
    EXPECT_EQ(refusal("INSERT INTO patient_info (first_name, last_name, DOB)"
                      " VALUES ('Ann', 'Lee', '1980-05-17')"),
              "");
    EXPECT_EQ(refusal("UPDATE patient_info SET last_name = 'Li'"), "");
    const Strings entries =
        query("SELECT user_name || ' ' || action || ' ' || table_name FROM audit_trail"
              " ORDER BY entry_id");
    EXPECT_EQ(entries, (Strings{m_login + " insert patient_info", m_login + " update patient_info"}));
    for (const char* sql :
         {"SELECT * FROM audit_trail", "UPDATE audit_trail SET details = ''",
          "DELETE FROM audit_trail", "TRUNCATE audit_trail",
          "INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action, table_name,"
          " record_id, details, previous_hash, hash) VALUES ('', '', '', '', '', '', '', '', '', '')",
          "INSERT INTO medora_write_turn VALUES (1)",
          "ALTER TABLE patient_info DISABLE TRIGGER medora_audit",
          "DROP TRIGGER medora_audit ON complaints", "DROP FUNCTION medora_audit_change() CASCADE",
          "ALTER FUNCTION medora_audit_change() SECURITY INVOKER",
          "SET session_replication_role = replica"})
        EXPECT_TRUE(contains(refusal(sql), "denied") || contains(refusal(sql), "must be owner"))
            << sql << ": " << refusal(sql);
    EXPECT_EQ(refusal("INSERT INTO medora_access (action, details) VALUES ('print', '{}')"), "");
    EXPECT_TRUE(contains(refusal("INSERT INTO medora_access (action, details)"
                                 " VALUES ('delete', '{}')"),
                         "not an access"));
    EXPECT_TRUE(contains(refusal("SELECT * FROM medora_access"), "denied"));
    EXPECT_EQ(refusal("DELETE FROM patient_info"), "");
    EXPECT_EQ(count("audit_trail"), 4);
    EXPECT_EQ(AuditChain::firstBreak(AuditTrail::ofServer(serverConnection("postgres"))),
              std::nullopt);
}

// The hashes are made when the trail is read, after the writers' commits: a reading waits for
// a transaction still writing, so that no entry is hashed before one committed after it, and
// is refused in a transaction that might not see every entry committed.
TEST_F(DeskSqlTest, HashingTheTrailWaitsForAWriterStillAtWork)
{
    ASSERT_EQ(refusal("BEGIN"), "");
    ASSERT_EQ(refusal("INSERT INTO meds_list (name) VALUES ('FIRST')"), "");
    pg_conn* reader = PQconnectdb(serverConnection("postgres").c_str());
    ASSERT_EQ(PQstatus(reader), CONNECTION_OK) << PQerrorMessage(reader);
    ASSERT_EQ(PQsendQuery(reader, "SELECT medora_audit_seal()"), 1);
    usleep(300000);
    PQconsumeInput(reader);
    EXPECT_EQ(PQisBusy(reader), 1) << "the hashes were made with a writer at work";
    ASSERT_EQ(refusal("INSERT INTO meds_list (name) VALUES ('SECOND')"), "");
    ASSERT_EQ(refusal("COMMIT"), "");
    PGresult* sealed = PQgetResult(reader);
    EXPECT_EQ(PQresultStatus(sealed), PGRES_TUPLES_OK) << PQresultErrorMessage(sealed);
    EXPECT_STREQ(PQgetvalue(sealed, 0, 0), "2");
    PQclear(sealed);
    while (PGresult* rest = PQgetResult(reader))
        PQclear(rest);

    PGresult* older = PQexec(reader, "BEGIN ISOLATION LEVEL REPEATABLE READ;"
                                     " SELECT medora_audit_seal()");
    EXPECT_NE(std::string(PQresultErrorMessage(older)).find("only where every entry"),
              std::string::npos);
    PQclear(older);
    PQfinish(reader);

    const std::vector<AuditEntry> entries = AuditTrail::ofServer(serverConnection("postgres"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(entries[1].details.find("SECOND"), std::string::npos);
    EXPECT_EQ(AuditChain::firstBreak(entries), std::nullopt);

    // More entries than the hashes are made for at a time.
    query("INSERT INTO meds_list (name) SELECT 'M' || n FROM generate_series(1, 10001) n");
    const std::vector<AuditEntry> many = AuditTrail::ofServer(serverConnection("postgres"));
    EXPECT_EQ(many.size(), 10003u);
    EXPECT_EQ(AuditChain::firstBreak(many), std::nullopt);
}

namespace {

AuditEntry reported(const char* time, const char* user, const char* action, const char* patient,
                    const char* details)
{
    AuditEntry entry;
    entry.timeLocal = time;
    entry.user = user;
    entry.desk = "front";
    entry.action = action;
    entry.table = "patient_info";
    entry.record = patient;
    entry.patient = patient;
    entry.details = details;
    return entry;
}

const std::vector<AuditEntry> kReported = {
    reported("2026-03-01T23:59:59.999", "ann", "insert", "1", R"({"first_name":"Ann, \"Nan\""})"),
    reported("2026-03-02T00:00:00.000", "bob", "update", "1", "{}"),
    reported("2026-03-03T08:00:00.000", "ann", "delete", "2", "line\nbreak"),
    reported("2026-03-04T08:00:00.000", "ann", "update", "", "{}"),
};

struct ReportCase {
    const char* name;
    Strings args;
    std::vector<int> written; // indexes into kReported
};

const ReportCase kReports[] = {
    {"Everything", {}, {0, 1, 2, 3}},
    {"OnePatient", {"--patient", "1"}, {0, 1}},
    {"OneUser", {"--user", "ann"}, {0, 2, 3}},
    {"OneAction", {"--action", "update"}, {1, 3}},
    {"DaysBothIncluded", {"--from", "2026-03-02", "--to", "2026-03-03"}, {1, 2}},
    {"AllTogether", {"--user", "ann", "--from", "2026-03-02", "--patient", "2"}, {2}},
};

void PrintTo(const ReportCase& report, std::ostream* out)
{
    *out << report.name;
}

} // namespace

class AuditReportTest : public ::testing::TestWithParam<ReportCase>
{};

// The entries that match, and only they, each one CSV record whatever its text holds.
TEST_P(AuditReportTest, WritesTheMatchingEntriesAsCsv)
{
    std::string why;
    const auto filter = AuditReport::filterOf(GetParam().args, why);
    ASSERT_TRUE(filter.has_value()) << why;
    std::ostringstream out;
    AuditReport::write(out, kReported, *filter);
    std::string wanted = "time,user,desk,action,table,record,patient,details\r\n";
    const Strings lines = {
        "2026-03-01T23:59:59.999,ann,front,insert,patient_info,1,1,"
        R"("{""first_name"":""Ann, \""Nan\""""}")",
        "2026-03-02T00:00:00.000,bob,front,update,patient_info,1,1,{}",
        "2026-03-03T08:00:00.000,ann,front,delete,patient_info,2,2,\"line\nbreak\"",
        "2026-03-04T08:00:00.000,ann,front,update,patient_info,,,{}",
    };
    for (const int written : GetParam().written)
        wanted += lines[size_t(written)] + "\r\n";
    EXPECT_EQ(out.str(), wanted);
}

INSTANTIATE_TEST_SUITE_P(Filters, AuditReportTest, ::testing::ValuesIn(kReports),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AuditReportOptionsTest, WrongOptionsAreRefusedWithWhy)
{
    for (const Strings& args : {Strings{"--patient", "one"}, Strings{"--from", "2026-13-01"},
                                Strings{"--to"}, Strings{"--colour", "red"},
                                Strings{"--from", "2026-3-1"}}) {
        std::string why;
        EXPECT_FALSE(AuditReport::filterOf(args, why).has_value()) << args[0];
        EXPECT_FALSE(why.empty()) << args[0];
    }
}

namespace {

std::string quoted(const std::string& text)
{
    std::string sql = "'";
    for (const char c : text)
        sql += c == '\'' ? std::string("''") : std::string(1, c);
    return sql + "'";
}

} // namespace

using ChosenEntriesTest = AuditFixture<std::tuple<TestEngine, ReportCase>>;

// The database chooses the entries the report asks for, as AuditReport::matches would.
TEST_P(ChosenEntriesTest, TheDatabaseChoosesWhatTheReportMatches)
{
    for (const AuditEntry& entry : kReported)
        query("INSERT INTO audit_trail (time_utc, time_local, user_name, desk, action, table_name,"
              " record_id, patient_id, details, previous_hash, hash) VALUES (" +
              quoted(entry.timeLocal) + ", " + quoted(entry.timeLocal) + ", " +
              quoted(entry.user) + ", 'front', " + quoted(entry.action) + ", 'patient_info', " +
              quoted(entry.record) + ", " + (entry.patient.empty() ? "NULL" : entry.patient) +
              ", " + quoted(entry.details) + ", '', '')");
    std::string why;
    const auto filter = AuditReport::filterOf(std::get<1>(GetParam()).args, why);
    ASSERT_TRUE(filter.has_value()) << why;
    const std::vector<AuditEntry> chosen =
        onServer() ? AuditTrail::ofServer(serverConnection("postgres"), {}, *filter)
                   : AuditTrail::ofFile("clinic_db.mdb", *filter);
    std::vector<std::string> times;
    for (const AuditEntry& entry : chosen)
        times.push_back(entry.timeLocal);
    std::vector<std::string> wanted;
    for (const int written : std::get<1>(GetParam()).written)
        wanted.push_back(kReported[size_t(written)].timeLocal);
    EXPECT_EQ(times, wanted);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ChosenEntriesTest,
    ::testing::Combine(::testing::Values(TestEngine::File, TestEngine::Server),
                       ::testing::ValuesIn(kReports)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == TestEngine::File ? "File_" : "Server_") +
               std::get<1>(info.param).name;
    });

using LargeTrailTest = TestDatabase;

// A trail of 100,000 entries, made through the store in one operation, is checked whole as it
// is read, and one entry changed in its middle is the one named.
TEST_F(LargeTrailTest, AHundredThousandEntriesVerifyAndOneChangedIsNamed)
{
    ASSERT_TRUE(throughTheStore({"INSERT INTO meds_list (name) WITH RECURSIVE n(i) AS"
                                 " (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)"
                                 " SELECT 'MEDICATION ' || i FROM n"}));
    const auto walked = [] {
        AuditChain::Walk walk;
        std::optional<AuditChain::Break> broken;
        AuditTrail::eachOfFile("clinic_db.mdb", [&](const AuditEntry& entry) {
            if (!broken)
                broken = walk.next(entry);
        });
        return std::pair{walk.entries(), broken};
    };
    const auto [entries, untouched] = walked();
    EXPECT_EQ(entries, 100000);
    EXPECT_EQ(untouched, std::nullopt);
    query("UPDATE audit_trail SET details = replace(details, 'MEDICATION', 'POISON')"
          " WHERE entry_id = 50000");
    const auto [before, changed] = walked();
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(changed->entry, 50000);
    EXPECT_EQ(before, 49999);
}
