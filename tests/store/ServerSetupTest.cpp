#include "TestDatabase.h"

#include "store/RecordsIdentity.h"
#include "store/store.h"
#include "tools/ServerSetup.h"

#include <libpq-fe.h>

#include <set>
#include <chrono>

namespace {

using Strings = std::vector<std::string>;

// Runs each statement on a connection of its own; gives those that failed.
Strings refused(const std::string& connection, const Strings& statements)
{
    Strings failed;
    for (const std::string& sql : statements) {
        PGconn* conn = PQconnectdb(connection.c_str());
        PGresult* result = PQexec(conn, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            failed.push_back(sql);
        PQclear(result);
        PQfinish(conn);
    }
    return failed;
}

// Runs the statements in turn on one connection, as a desk would from psql; whether one of
// them failed.
bool refusedOnOne(PGconn* conn, const Strings& statements)
{
    for (const std::string& sql : statements) {
        PGresult* result = PQexec(conn, sql.c_str());
        const ExecStatusType status = PQresultStatus(result);
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            return true;
    }
    return false;
}

} // namespace

// medora-admin's work on a server: the records of each test are set up by it.
class ServerSetupTest : public TestDatabase
{
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    ServerSetup setup() const { return ServerSetup(serverConnection("postgres")); }
};

TEST_F(ServerSetupTest, DeskLoginsReadAndWriteRowsAndNothingMore)
{
    const Strings rows{
        "INSERT INTO patient_info (first_name, DOB) VALUES ('Ann', '1980-01-02 00:00:00')",
        "UPDATE patient_info SET last_name = 'Lee'",
        "SELECT * FROM patient_info",
        "SELECT step FROM medora_version",
        "INSERT INTO meds_list (name) VALUES ('ASPIRIN')",
        "DELETE FROM meds_list",
        "UPDATE clinic_info SET clinic_name = 'Sunrise'",
    };
    EXPECT_EQ(refused(serverConnection("desk"), rows), Strings{});

    const Strings definitions{
        "CREATE TABLE notes (text text)",
        "CREATE TEMPORARY TABLE notes (text text)",
        "CREATE INDEX patient_names ON patient_info (last_name)",
        "ALTER TABLE tests ADD COLUMN price integer",
        "DROP TABLE tests",
        "TRUNCATE meds_list",
        "CREATE VIEW everyone AS SELECT * FROM patient_info",
        // A restore's indexes set aside are built again before anything commits, and only
        // from what the server itself wrote down.
        "SELECT medora_set_indexes_aside()",
        "INSERT INTO medora_indexes_aside VALUES ('DROP TABLE tests')",
        // The records' identity is medora-admin's to give.
        "UPDATE records_identity SET id = md5('another')",
        // And so is the step the records stand at.
        "UPDATE medora_version SET step = 0",
        "DELETE FROM medora_version",
    };
    EXPECT_EQ(refused(serverConnection("desk"), definitions), definitions);
    EXPECT_EQ(refused(serverConnection("stranger"), rows), rows);
    ServerSetup checking = setup();
    EXPECT_TRUE(checking.check()) << ::testing::PrintToString(checking.problems());
}

// What a desk login must not do from psql: set a key sequence, back or forward, make large
// objects, set indexes aside in a transaction the server would not end; and the one way it
// may move a sequence, forward only.
TEST_F(ServerSetupTest, DeskLoginsCannotSetSequencesMakeLargeObjectsOrHoldTables)
{
    query("SELECT medora_move_keys_forward('patient_info_id_seq', 40)");
    const struct
    {
        Strings statements;
        bool refused;
    } cases[] = {
        {{"SELECT setval('patient_info_id_seq', 1)"}, true},
        {{"SELECT setval('patient_info_id_seq', 100)"}, true},
        {{"ALTER SEQUENCE patient_info_id_seq RESTART WITH 1"}, true},
        {{"ALTER SEQUENCE patient_info_id_seq INCREMENT BY -1"}, true},
        {{"SELECT lo_creat(-1)"}, true},
        {{"SELECT lo_create(0)"}, true},
        {{"SELECT lo_from_bytea(0, 'outside the records')"}, true},
        {{"SELECT lo_import('/etc/hostname')"}, true},
        {{"SELECT medora_move_keys_forward('patient_info_id_seq', 39)"}, true},
        {{"SELECT medora_move_keys_forward('patient_info_id_seq', 2147483648)"}, true},
        {{"SELECT medora_move_keys_forward('patient_info', 50)"}, true},
        {{"SET idle_in_transaction_session_timeout = 0", "BEGIN",
          "SELECT medora_set_indexes_aside()"},
         true},
        {{"SELECT medora_move_keys_forward('patient_info_id_seq', 40)"}, false},
        {{"SELECT medora_move_keys_forward('patient_info_id_seq', 41)"}, false},
    };
    for (const auto& c : cases) {
        PGconn* desk = PQconnectdb(serverConnection("desk").c_str());
        EXPECT_EQ(refusedOnOne(desk, c.statements), c.refused)
            << ::testing::PrintToString(c.statements);
        PQfinish(desk);
    }
    EXPECT_EQ(addPatient(), "42");
}

// A desk that holds the tables, with indexes set aside or a lock, and then leaves its
// transaction open is ended by the server at its bound, after which the other desks write.
// Every desk's session has a bound of a minute; here it is a second.
TEST_F(ServerSetupTest, ADeskThatHoldsTheTablesIsEndedAtItsBound)
{
    PGconn* fresh = PQconnectdb(serverConnection("desk").c_str());
    PGresult* shown = PQexec(fresh, "SHOW idle_in_transaction_session_timeout");
    EXPECT_STREQ(PQgetvalue(shown, 0, 0), "1min");
    PQclear(shown);
    PQfinish(fresh);
    for (const char* hold : {"SELECT medora_set_indexes_aside()",
                             "LOCK TABLE patient_info IN ACCESS EXCLUSIVE MODE"}) {
        PGconn* holder = PQconnectdb(serverConnection("desk").c_str());
        ASSERT_FALSE(
            refusedOnOne(holder, {"SET idle_in_transaction_session_timeout = '1s'", "BEGIN", hold}))
            << hold;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(addPatient().empty()) << hold;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << hold;
        EXPECT_TRUE(refusedOnOne(holder, {"SELECT 1"})) << hold;
        PQfinish(holder);
    }
    EXPECT_EQ(count("patient_info"), 2);
}

TEST_F(ServerSetupTest, InitNeedsAnEmptySchemaAndChangesNothingElse)
{
    query("INSERT INTO meds_list (name) VALUES ('KEPT')");
    const std::string before = snapshot();
    ServerSetup again = setup();
    EXPECT_FALSE(again.init());
    EXPECT_EQ(again.problems(),
              Strings{"the database already holds tables; Medora needs an empty one"});
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ServerSetupTest, CheckFindsWhatDiffersFromMedorasTables)
{
    ServerSetup sound = setup();
    EXPECT_TRUE(sound.check()) << ::testing::PrintToString(sound.problems());

    const struct
    {
        const char* change;
        const char* problem;
    } cases[] = {
        {"ALTER TABLE tests ADD COLUMN price integer",
         "table layout: not Medora's tests.price integer nullable YES identity NO default -"},
        {"DROP INDEX tests_patient", "table layout: missing index CREATE INDEX tests_patient ON "
                                     "tests USING hash (patient_id)"},
        {"ALTER TABLE patient_info ALTER COLUMN telephone TYPE varchar(20)",
         "table layout: missing patient_info.telephone text nullable NO identity NO default "
         "''::text"},
        {"REVOKE DELETE ON meds_list FROM medora_clinician",
         "the role medora_clinician has SELECT, INSERT, UPDATE on meds_list where Medora gives "
         "it SELECT, INSERT, UPDATE, DELETE"},
        {"GRANT SELECT ON tests TO medora_reception",
         "the role medora_reception has SELECT on tests where Medora gives it no right"},
        {"GRANT UPDATE ON clinic_info TO medora_clinician",
         "the role medora_clinician has SELECT, UPDATE on clinic_info where Medora gives it "
         "SELECT"},
        {"REVOKE medora_desk FROM medora_reception",
         "the role medora_reception is not a member of medora_desk"},
        {"DELETE FROM clinic_info", "clinic_info must hold exactly one row"},
        {"DELETE FROM records_identity", "records_identity must hold the records' identity"},
        {"GRANT UPDATE ON medora_version TO medora_desk",
         "the role medora_desk has SELECT, UPDATE on medora_version where Medora gives it "
         "SELECT"},
        {"GRANT EXECUTE ON FUNCTION medora_set_user_role(text, text) TO medora_clinician",
         "the role medora_admin cannot call medora_set_user_role(text, text), or another group "
         "can"},
        {"ALTER FUNCTION medora_reset_password(text, text) SECURITY INVOKER",
         "the functions that look after the logins do not run as their owner on Medora's "
         "schema"},
        {"ALTER FUNCTION medora_add_user(text, text, text, text, boolean) RESET search_path",
         "the functions that look after the logins do not run as their owner on Medora's "
         "schema"},
        {"GRANT UPDATE ON SEQUENCE complaints_compl_id_seq TO medora_desk",
         "the role medora_desk cannot draw keys, or can set the key sequences"},
        {"REVOKE EXECUTE ON FUNCTION medora_move_keys_forward(regclass, bigint) FROM medora_desk",
         "the role medora_desk cannot move the key sequences forward on a restore"},
        {"GRANT EXECUTE ON FUNCTION lo_creat(integer) TO medora_desk",
         "the role medora_desk can create large objects"},
    };
    for (const auto& c : cases) {
        resetRecords();
        query(c.change);
        ServerSetup changed = setup();
        EXPECT_FALSE(changed.check()) << c.change;
        const Strings& problems = changed.problems();
        EXPECT_NE(std::find(problems.begin(), problems.end(), c.problem), problems.end())
            << c.change << ": " << ::testing::PrintToString(problems);
    }
}

// Records that an earlier version set up lack the search's keys and the records' identity,
// and its desks could set the
// key sequences and make large objects; upgrade adds the keys, brings the desks to this
// version's rights, and can be run again, keeping the identity.
TEST_F(ServerSetupTest, UpgradeGivesAnEarlierVersionsPatientsTheirKeys)
{
    query("DROP TABLE search_words, medora_indexes_aside, records_identity, medora_version,"
          " clinic_settings, audit_trail, medora_write_turn CASCADE");
    query("DROP FUNCTION medora_set_indexes_aside(), medora_build_indexes(),"
          " medora_move_keys_forward(regclass, bigint)");
    query("DROP FUNCTION medora_audit_change(), medora_audit_access(), medora_audit_seal(),"
          " medora_audit_append(text, text, text, integer, text) CASCADE");
    query("GRANT SELECT, UPDATE ON ALL SEQUENCES IN SCHEMA " + query("SELECT current_schema()")[0] +
          " TO medora_desk");
    query("GRANT EXECUTE ON FUNCTION lo_creat(integer), lo_create(oid),"
          " lo_from_bytea(oid, bytea) TO PUBLIC");
    query("INSERT INTO patient_info (first_name, last_name, DOB, telephone) VALUES"
          " ('Renée', 'Dupré', '1980-05-17 00:00:00', '555-0142'),"
          " ('Tab\tby', 'Back\\slash', '2001-01-01 00:00:00', '')");
    EXPECT_FALSE(setup().check());
    std::set<std::string> identities;
    for (int run = 0; run < 2; ++run) {
        ServerSetup upgrading = setup();
        ASSERT_TRUE(upgrading.upgrade()) << ::testing::PrintToString(upgrading.problems());
        ServerSetup checking = setup();
        EXPECT_TRUE(checking.check()) << ::testing::PrintToString(checking.problems());
        EXPECT_EQ(count("search_words"), 12); // 2 names, 4 telephone tails, date; 4 names, date
        RecordsIdentity identity;
        ASSERT_TRUE(identity.Fetch());
        EXPECT_EQ(identity.m_id.size(), 32u);
        identities.insert(identity.m_id);
    }
    EXPECT_EQ(identities.size(), 1u);
    PatientNameList found;
    ASSERT_TRUE(found.Search("dupre 5550142 17.5.1980"));
    EXPECT_EQ(found.m_firstNames, Strings{"Renée"});
    ASSERT_TRUE(found.Search("slash tab"));
    ASSERT_TRUE(PatientRecord().Add("New", "Comer", DateTime::fromCivil(2000, 1, 1), 0, "", ""));
    ASSERT_TRUE(found.Search("comer"));
    EXPECT_EQ(found.m_firstNames, (Strings{"Renée", "Tab\tby", "New"}));
}

// A key sequence near the end of what a key holds is told before the desks' adds fail.
TEST_F(ServerSetupTest, CheckTellsOfKeySequencesNearTheirEnd)
{
    ServerSetup fresh = setup();
    EXPECT_TRUE(fresh.numbersLeft()) << ::testing::PrintToString(fresh.problems());
    query("SELECT setval(pg_get_serial_sequence('complaints', 'compl_id'), 2120000000)");
    EXPECT_TRUE(setup().numbersLeft());
    query("SELECT setval(pg_get_serial_sequence('patient_info', 'id'), 2147000000)");
    ServerSetup late = setup();
    EXPECT_FALSE(late.numbersLeft());
    EXPECT_EQ(late.problems(), Strings{"the key sequence patient_info_id_seq has given 2147000000 "
                                       "of the 2147483647 numbers a key can hold"});
}
