#include "TestDatabase.h"

#include "records/RecordsShapes.h"
#include "records/ServerBackup.h"
#include "store/Engine.h"
#include "store/LastFailure.h"
#include "store/RecordsIdentity.h"
#include "store/SchemaSteps.h"
#include "store/SqliteEngine.h"
#include "store/store.h"
#include "tools/ServerSetup.h"

#include <sqlite3.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Records as an earlier version left them: made as this version makes them, then taken back
// to that version's shape.
struct EarlierShape
{
    const char* name;
    std::string back;     // what takes the records back
    Strings missingSteps = {}; // what medora-admin check names (the server only)
};

// Every shape of the records file that Medora has made.
// Earlier files had none of the tables of users and settings.
#define BEFORE_USERS BEFORE_AUDIT "DROP TABLE users; DROP TABLE clinic_settings; "
#define BEFORE_AUDIT "DROP TABLE audit_trail; "
const EarlierShape kFiles[] = {
    {"BeforeTheSearchKeys", BEFORE_USERS
     "DROP TABLE search_words; DROP TABLE records_identity; PRAGMA user_version = 0"},
    // Rescued files, sample clinics and the server's backups were marked as yet to get their
    // keys.
    {"KeysYetToBeMade", BEFORE_USERS
     "DELETE FROM search_words; DELETE FROM records_identity; PRAGMA user_version = 0"},
    {"WithTheSearchKeys", BEFORE_USERS "DROP TABLE records_identity; PRAGMA user_version = 1"},
    // The supplied empty file of that version held the identity's table, without its row.
    {"SuppliedEmptyWithTheSearchKeys",
     BEFORE_USERS "DELETE FROM records_identity; PRAGMA user_version = 1"},
    // Names written with an apostrophe or a hyphen were found only by their parts.
    {"WithTheIdentity",
     BEFORE_USERS "DELETE FROM search_words WHERE word = 'obrien'; PRAGMA user_version = 2"},
    {"WithTheJoinedNames", BEFORE_USERS "PRAGMA user_version = 3"},
    {"WithTheHashIndexes", BEFORE_USERS "PRAGMA user_version = 4"},
    // A file an earlier version wrote back after a newer one had made its tables.
    {"WithTheUsers", BEFORE_AUDIT "PRAGMA user_version = 5"},
    {"WithTheAuditTrail", "DROP INDEX audit_trail_row; PRAGMA user_version = 6"},
    {"WithTheTrailIndexed", "PRAGMA user_version = 7"},
    {"WithTheWritersTurn", "PRAGMA user_version = 8"},
    {"WithTheNewTablesAtAnEarlierStep", "PRAGMA user_version = 4"},
    {"AsThisVersionMakesThem", ""},
};
#undef BEFORE_USERS
#undef BEFORE_AUDIT

void PrintTo(const EarlierShape& shape, std::ostream* out)
{
    *out << shape.name;
}

const char* const kUnrecorded =
    "the records do not say the step they stand at (medora-admin upgrade records it)";
const char* const kJoinedNamesMissing = "missing step 3: search keys for names written with "
                                        "apostrophes and hyphens (medora-admin upgrade makes it)";
const char* const kHashesMissing = "missing step 4: indexes by patient that let several desks "
                                   "work side by side (medora-admin upgrade makes it)";
const char* const kSettingsMissing = "missing step 5: users who sign in, and the clinic's "
                                     "settings (medora-admin upgrade makes it)";
const char* const kAuditMissing = "missing step 6: the audit trail (medora-admin upgrade makes it)";
const char* const kRowIndexMissing = "missing step 7: the audit trail's index by patient and row"
                                     " (medora-admin upgrade makes it)";
const char* const kTurnMissing = "missing step 8: the writers' turn (medora-admin upgrade makes it)";
const char* const kSealMissing = "missing step 9: the audit trail's hashes made when it is read"
                                 " (medora-admin upgrade makes it)";

// Each table's index by patient as servers had it until step 4, made again so.
std::string treeIndexes(const std::vector<const char*>& tables)
{
    std::string statements;
    for (const char* table : tables)
        statements += std::string("DROP INDEX ") + table + "_patient; CREATE INDEX " + table +
                      "_patient ON " + table + " (patient_ID); ";
    return statements;
}
const std::string kTreesBeforeTheKeys =
    treeIndexes({"complaints", "history_entries", "patient_medications", "tests"});
const std::string kTrees = kTreesBeforeTheKeys + treeIndexes({"search_words"});

// Every shape of the records on a server that Medora has set up. Until step 6 no trigger kept
// an audit trail.
// Until step 7 desks could not enter their access to the records.
// Until step 9 every entry was hashed as it was entered, the writers taking turns at a row.
const std::string kBeforeSeal =
    "SELECT medora_audit_seal(); ALTER TABLE audit_trail ALTER previous_hash SET NOT NULL, ALTER hash SET NOT NULL;"
    " CREATE TABLE medora_audit_head (only_row integer PRIMARY KEY CHECK (only_row = 1),"
    " appends bigint NOT NULL); INSERT INTO medora_audit_head VALUES (1, 0);"
    " DROP FUNCTION medora_audit_seal(); ";
// Until step 8 the desks' changes took no turns.
const std::string kBeforeTurn = kBeforeSeal + "DROP TABLE medora_write_turn; ";
const std::string kBeforeAccess = kBeforeTurn +
    "DROP VIEW medora_access; DROP FUNCTION medora_audit_access(); DROP INDEX audit_trail_row; ";
const std::string kBeforeAudit = kBeforeAccess + "DROP TABLE audit_trail, medora_audit_head;"
                                 " DROP FUNCTION medora_audit_change(),"
                                 " medora_audit_append(text, text, text, integer, text) CASCADE; ";
const EarlierShape kServers[] = {
    {"BeforeTheSearchKeys",
     kBeforeAudit + kTreesBeforeTheKeys +
         "DROP TABLE search_words, records_identity, medora_version, clinic_settings",
     {kUnrecorded, "missing step 1: the search's keys (medora-admin upgrade makes it)",
      "missing step 2: the records' identity (medora-admin upgrade makes it)",
      kJoinedNamesMissing, kHashesMissing, kSettingsMissing, kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheSearchKeys",
     kBeforeAudit + kTrees + "DROP TABLE records_identity, medora_version, clinic_settings",
     {kUnrecorded, "missing step 2: the records' identity (medora-admin upgrade makes it)",
      kJoinedNamesMissing, kHashesMissing, kSettingsMissing, kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheIdentity", kBeforeAudit + kTrees + "DROP TABLE medora_version, clinic_settings",
     {kUnrecorded, kJoinedNamesMissing, kHashesMissing, kSettingsMissing, kAuditMissing,
      kRowIndexMissing, kTurnMissing, kSealMissing}},
    {"WithTheVersionRow",
     kBeforeAudit + kTrees +
         "DELETE FROM search_words WHERE word = 'obrien'; UPDATE medora_version SET step = 2;"
         " DROP TABLE clinic_settings",
     {kJoinedNamesMissing, kHashesMissing, kSettingsMissing, kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheJoinedNames",
     kBeforeAudit + kTrees + "UPDATE medora_version SET step = 3; DROP TABLE clinic_settings",
     {kHashesMissing, kSettingsMissing, kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheHashIndexes",
     kBeforeAudit + "UPDATE medora_version SET step = 4; DROP TABLE clinic_settings",
     {kSettingsMissing, kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheUsers", kBeforeAudit + "UPDATE medora_version SET step = 5",
     {kAuditMissing, kRowIndexMissing,
      kTurnMissing, kSealMissing}},
    {"WithTheAuditTrail", kBeforeAccess + "UPDATE medora_version SET step = 6",
     {kRowIndexMissing, kTurnMissing, kSealMissing}},
    {"WithTheTrailIndexed", kBeforeTurn + "UPDATE medora_version SET step = 7",
     {kTurnMissing, kSealMissing}},
    {"WithTheWritersTurn", kBeforeSeal + "UPDATE medora_version SET step = 8", {kSealMissing}},
};

// One row of every kind the records hold, beside the patients the store adds.
const char* const kRows =
    "INSERT INTO complaints (patient_ID, date, complaint, diagnosis)"
    " VALUES (1, '2020-01-02 03:04:05', 'cough', 'cold');"
    "INSERT INTO history_entries (patient_ID, entry_type, entry_details)"
    " VALUES (1, 'Allergy', 'Penicillin');"
    "INSERT INTO patient_medications (patient_ID, name, status) VALUES (1, 'ASPIRIN', 'current');"
    "INSERT INTO meds_list (name) VALUES ('ASPIRIN');"
    "INSERT INTO tests (patient_ID, date, type, results)"
    " VALUES (1, '2020-01-03 00:00:00', 'CBC', 'normal');"
    "INSERT INTO tests_list (name) VALUES ('CBC');"
    "UPDATE clinic_info SET clinic_name = 'Old Clinic'";

std::optional<std::string> shapeDifference(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    auto difference = RecordsShapes::difference(db);
    sqlite3_close(db);
    return difference;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

class SchemaStepsTest : public TestDatabase, public ::testing::WithParamInterface<EarlierShape>
{
protected:
    // Every row the user entered, in every table but those the program makes itself.
    Strings rows()
    {
        Strings all;
        for (const char* table : {"patient_info", "complaints", "history_entries",
                                  "patient_medications", "meds_list", "tests", "tests_list",
                                  "clinic_info"})
            for (const std::string& row : query(std::string("SELECT * FROM ") + table +
                                                " ORDER BY 1"))
                all.push_back(std::string(table) + ": " + row);
        return all;
    }

    // The records of that shape, with patients and one row of every other kind.
    void makeEarlier(const EarlierShape& shape)
    {
        addPatient("Renée", "Dupré");
        addPatient("Tab\tby", "Back\\slash");
        addPatient("Seán", "O'Brien");
        for (const std::string& sql : {std::string(kRows), std::string(shape.back)})
            if (!sql.empty())
                query(sql);
    }

    Strings found(const std::string& typed)
    {
        PatientNameList list;
        EXPECT_TRUE(list.Search(typed)) << typed;
        return list.m_lastNames;
    }
};

class FileStepsTest : public SchemaStepsTest
{};

// A file of each earlier shape is taken for Medora's in a restore, and its first use by this
// version brings it to this version's shape, holding the same rows, found by the search.
TEST_P(FileStepsTest, EarlierFilesAreBroughtToThisShapeWithTheirRows)
{
    makeEarlier(GetParam());
    SqliteEngine::keysMayBeStale();
    EXPECT_EQ(shapeDifference("clinic_db.mdb"), std::nullopt);
    const Strings before = rows();

    EXPECT_EQ(found("dupre"), Strings{"Dupré"});
    EXPECT_EQ(query("PRAGMA user_version"), Strings{std::to_string(SchemaSteps::current())});
    EXPECT_EQ(shapeDifference("clinic_db.mdb"), std::nullopt);
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(found("slash tab"), Strings{"Back\\slash"});
    EXPECT_EQ(found("obrien"), Strings{"O'Brien"});
    RecordsIdentity identity;
    ASSERT_TRUE(identity.Fetch());
    EXPECT_TRUE(std::regex_match(identity.m_id, std::regex("[0-9a-f]{32}")));
}

INSTANTIATE_TEST_SUITE_P(Shapes, FileStepsTest, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// A file of a step this program does not know is refused by every operation, and not a byte
// of it changes.
TEST_F(SchemaStepsTest, AFileOfANewerVersionIsRefusedUnchanged)
{
    addPatient("Ann", "Lee");
    query("PRAGMA user_version = " + std::to_string(SchemaSteps::current() + 1));
    SqliteEngine::keysMayBeStale();
    const std::string bytes = snapshot();
    PatientNameList list;
    EXPECT_FALSE(list.Search("lee"));
    EXPECT_EQ(LastFailure::kind(), FailureKind::RecordsTooNew);
    EXPECT_TRUE(contains(LastFailure::message(), "newer version of Medora")) << LastFailure::message();
    EXPECT_FALSE(PatientRecord().Add("New", "Comer", DateTime::fromCivil(2000, 1, 1), 0, "", ""));
    EXPECT_EQ(snapshot(), bytes);
}

class ServerStepsTest : public SchemaStepsTest
{
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    ServerSetup setup() const { return ServerSetup(serverConnection("postgres")); }

    // Whether a desk that connects anew may work on the records.
    bool deskWorks() const { return Engine::testServer(serverConnection("desk")); }
};

// Records that an earlier version set up are refused by the desks, told apart by check, and
// brought by upgrade to this version's shape, holding the same rows, found by the search.
TEST_P(ServerStepsTest, EarlierServersAreBroughtToThisShapeWithTheirRows)
{
    makeEarlier(GetParam());
    const Strings before = rows();
    EXPECT_FALSE(deskWorks());
    EXPECT_EQ(LastFailure::kind(), FailureKind::ServerTooOld);
    EXPECT_TRUE(contains(LastFailure::message(), "run medora-admin upgrade"));
    const auto backedUp = ServerBackup(serverConnection("desk"), "").backup("earlier.rbk");
    ASSERT_TRUE(backedUp.has_value());
    EXPECT_TRUE(contains(backedUp->describe(), "run medora-admin upgrade")) << backedUp->describe();
    ServerSetup checking = setup();
    EXPECT_FALSE(checking.check());
    EXPECT_EQ(checking.problems(), GetParam().missingSteps);

    ServerSetup upgrading = setup();
    ASSERT_TRUE(upgrading.upgrade()) << ::testing::PrintToString(upgrading.problems());
    ServerSetup checked = setup();
    EXPECT_TRUE(checked.check()) << ::testing::PrintToString(checked.problems());
    EXPECT_TRUE(deskWorks());
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(found("dupre"), Strings{"Dupré"});
    EXPECT_EQ(found("slash tab"), Strings{"Back\\slash"});
    EXPECT_EQ(found("obrien"), Strings{"O'Brien"});
    RecordsIdentity identity;
    ASSERT_TRUE(identity.Fetch());
    EXPECT_TRUE(std::regex_match(identity.m_id, std::regex("[0-9a-f]{32}")));
}

INSTANTIATE_TEST_SUITE_P(Shapes, ServerStepsTest, ::testing::ValuesIn(kServers),
                         [](const auto& info) { return std::string(info.param.name); });

// Records of a step this version does not know are refused by the desks and left alone by
// medora-admin, which says why.
TEST_F(ServerStepsTest, AServerOfANewerVersionIsRefusedUnchanged)
{
    addPatient("Ann", "Lee");
    query("UPDATE medora_version SET step = " + std::to_string(SchemaSteps::current() + 1));
    const std::string before = snapshot();
    EXPECT_FALSE(deskWorks());
    EXPECT_EQ(LastFailure::kind(), FailureKind::ServerTooNew);
    EXPECT_TRUE(contains(LastFailure::message(), "newer version of Medora"));
    const std::string newer = "the records stand at step " +
                              std::to_string(SchemaSteps::current() + 1) +
                              ", which a newer version of Medora made; this one knows the steps "
                              "up to " +
                              std::to_string(SchemaSteps::current());
    ServerSetup upgrading = setup();
    EXPECT_FALSE(upgrading.upgrade());
    EXPECT_EQ(upgrading.problems(), Strings{newer});
    ServerSetup checking = setup();
    EXPECT_FALSE(checking.check());
    EXPECT_EQ(checking.problems(), Strings{newer});
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(query("SELECT step FROM medora_version"),
              Strings{std::to_string(SchemaSteps::current() + 1)});
}
