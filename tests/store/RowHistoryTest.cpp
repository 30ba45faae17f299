#include "TestDatabase.h"

#include "store/ComplaintRecord.h"
#include "store/Database.h"
#include "store/HistoryEntryRecord.h"
#include "store/LastFailure.h"
#include "store/PatientMedicationRecord.h"
#include "store/RowHistory.h"
#include "store/Session.h"
#include "store/TestRecord.h"

#include <libpq-fe.h>

#include <functional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
using Kind = RowHistory::Kind;

const DateTime kVisitDay = DateTime::fromCivil(2026, 3, 4, 10, 30);

Strings visitTexts(const std::string& complaint, const std::string& diagnosis) {
    Strings texts(ComplaintRecord::textCount);
    texts.front() = complaint;
    texts[texts.size() - 2] = diagnosis;
    return texts;
}

Strings withDate(const Strings& texts) {
    Strings fields = {kVisitDay.toIso()};
    fields.insert(fields.end(), texts.begin(), texts.end());
    return fields;
}

} // namespace

// Run on both engines with a clinician signed in, whom the trail names as the file's user or
// the server's login.
class RowHistoryTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        if (!IsSkipped())
            Session::signIn(UserAccount{"dr_ng", "", UserRole::Clinician});
    }
    void TearDown() override {
        Session::signOut();
        StoreTest::TearDown();
    }
    std::string actingUser() const { return onServer() ? "desk" : "dr_ng"; }
};

// Each version is the visit as a change left it; the first one put back is a new change, made
// only while the visit still is as the versions were read.
TEST_P(RowHistoryTest, AVisitsVersionsAndAnEarlierOnePutBack) {
    const std::string patient = addPatient();
    ComplaintRecord visit;
    ASSERT_TRUE(visit.Add(patient, kVisitDay, visitTexts("cough", "")));
    ASSERT_TRUE(visit.Update(visit.m_id, patient, kVisitDay, visitTexts("cough", "flu")));
    ASSERT_TRUE(visit.Update(visit.m_id, patient, kVisitDay, visitTexts("fever", "flu")));

    RowHistory history;
    ASSERT_TRUE(history.Fetch(Kind::Visit, patient, visit.m_id));
    ASSERT_EQ(history.m_versions.size(), 3u);
    const Strings actions = {history.m_versions[0].action, history.m_versions[1].action,
                             history.m_versions[2].action};
    EXPECT_EQ(actions, (Strings{"insert", "update", "update"}));
    EXPECT_EQ(history.m_versions[0].fields, withDate(visitTexts("cough", "")));
    EXPECT_EQ(history.m_versions[1].fields, withDate(visitTexts("cough", "flu")));
    EXPECT_EQ(history.m_versions[2].fields, withDate(visitTexts("fever", "flu")));
    EXPECT_EQ(history.m_versions[2].who, actingUser());
    EXPECT_EQ(history.m_versions[2].when.size(), 19u);

    ASSERT_TRUE(history.Restore(1));
    EXPECT_EQ(query("SELECT complaint, diagnosis FROM complaints"), Strings{"cough|flu"});
    RowHistory again;
    ASSERT_TRUE(again.Fetch(Kind::Visit, patient, visit.m_id));
    ASSERT_EQ(again.m_versions.size(), 4u);
    EXPECT_EQ(again.m_versions.back().fields, withDate(visitTexts("cough", "flu")));

    // `history` read the visit before the restore: it no longer holds what it read.
    EXPECT_FALSE(history.Restore(0));
    EXPECT_EQ(LastFailure::kind(), FailureKind::ChangedElsewhere);
    EXPECT_EQ(query("SELECT complaint, diagnosis FROM complaints"), Strings{"cough|flu"});

    // The particulars are anyone's to read and put back; the visits only a clinician's.
    Session::signIn(UserAccount{"front", "", UserRole::Reception});
    EXPECT_FALSE(again.Fetch(Kind::Visit, patient, visit.m_id));
    EXPECT_EQ(LastFailure::kind(), FailureKind::NotAllowed);
    ASSERT_TRUE(Database::run([](Database& db) {
        db.prepare("UPDATE patient_info SET last_name = 'Li'").run();
        return true;
    }));
    RowHistory particulars;
    ASSERT_TRUE(particulars.Fetch(Kind::Particulars, patient, patient));
    ASSERT_EQ(particulars.m_versions.size(), 2u);
    EXPECT_EQ(particulars.m_versions[1].fields[1], "Li");
    EXPECT_EQ(particulars.m_versions[1].fields[2], particulars.m_versions[0].fields[2]);
    ASSERT_TRUE(particulars.Restore(0));
    EXPECT_EQ(query("SELECT last_name FROM patient_info"), Strings{"Lee"});
}

ON_BOTH_ENGINES(RowHistoryTest);

namespace {

// A kind of the patient's rows: how one is added and deleted through the store, and the
// fields its versions hold.
struct RowKind {
    const char* name;
    Kind kind;
    const char* table;
    const char* key;
    std::function<bool(const std::string& patient)> add;
    std::function<bool(const std::string& id)> remove;
    Strings fields;
};

const RowKind kRowKinds[] = {
    {"Visit", Kind::Visit, "complaints", "compl_ID",
     [](const std::string& patient) {
         return ComplaintRecord().Add(patient, kVisitDay, visitTexts("cough", "flu"));
     },
     [](const std::string& id) { return ComplaintRecord().Delete(id); },
     withDate(visitTexts("cough", "flu"))},
    {"HistoryEntry",
     Kind::HistoryEntry,
     "history_entries",
     "entry_ID",
     [](const std::string& patient) {
         return HistoryEntryRecord().Add(patient, "Medical", "asthma");
     },
     [](const std::string& id) { return HistoryEntryRecord().Delete(id); },
     {"Medical", "asthma"}},
    {"Medication",
     Kind::Medication,
     "patient_medications",
     "medication_ID",
     [](const std::string& patient) {
         return PatientMedicationRecord().Add(patient, "SALBUTAMOL", "current");
     },
     [](const std::string& id) { return PatientMedicationRecord().Delete(id); },
     {"SALBUTAMOL", "current"}},
    {"Test",
     Kind::Test,
     "tests",
     "test_ID",
     [](const std::string& patient) {
         return TestRecord().Add(patient, kVisitDay, "CBC", "normal");
     },
     [](const std::string& id) { return TestRecord().Delete(id); },
     {kVisitDay.toIso(), "CBC", "normal"}},
};

void PrintTo(const RowKind& row, std::ostream* out) {
    *out << row.name;
}

} // namespace

class DeletedRowTest : public TestDatabase,
                       public ::testing::WithParamInterface<std::tuple<TestEngine, RowKind>> {
protected:
    TestEngine engine() const override { return std::get<0>(GetParam()); }
};

// Of the two rows deleted, the one put back comes back with its number, as its last version
// before the delete; the other stays deleted.
TEST_P(DeletedRowTest, ADeletedRowIsListedAndComesBackWithItsNumber) {
    const RowKind& row = std::get<1>(GetParam());
    const std::string patient = addPatient();
    ASSERT_TRUE(row.add(patient) && row.add(patient) && row.add(patient));
    const std::string keys =
        std::string("SELECT ") + row.key + " FROM " + row.table + " ORDER BY " + row.key;
    const Strings added = query(keys);
    ASSERT_EQ(added.size(), 3u);
    ASSERT_TRUE(row.remove(added[0]) && row.remove(added[1]));

    RowHistory history;
    ASSERT_TRUE(history.FetchDeleted(row.kind, patient));
    ASSERT_EQ(history.m_deleted.size(), 2u);
    EXPECT_EQ(history.m_deleted[0].id, added[0]);
    EXPECT_EQ(history.m_deleted[0].deletion.action, "delete");
    EXPECT_EQ(history.m_deleted[0].deletion.fields, row.fields);

    ASSERT_TRUE(history.Fetch(row.kind, patient, added[1]));
    ASSERT_EQ(history.m_versions.size(), 2u);
    EXPECT_FALSE(history.Restore(1)); // the delete itself
    ASSERT_TRUE(history.Restore(0));
    EXPECT_EQ(query(keys), (Strings{added[1], added[2]}));
    EXPECT_FALSE(history.Restore(0)); // it is back already

    ASSERT_TRUE(history.Fetch(row.kind, patient, added[1]));
    EXPECT_EQ(history.m_versions.back().action, "insert");
    EXPECT_EQ(history.m_versions.back().fields, row.fields);
    ASSERT_TRUE(history.FetchDeleted(row.kind, patient));
    ASSERT_EQ(history.m_deleted.size(), 1u);
    EXPECT_EQ(history.m_deleted[0].id, added[0]);
}

std::string rowKindName(const ::testing::TestParamInfo<std::tuple<TestEngine, RowKind>>& info) {
    return std::string(std::get<0>(info.param) == TestEngine::File ? "File_" : "Server_") +
           std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Engines, DeletedRowTest,
                         ::testing::Combine(::testing::Values(TestEngine::File, TestEngine::Server),
                                            ::testing::ValuesIn(kRowKinds)),
                         rowKindName);

// On a server, the desks read a row's changes only through the function that lets each group
// see what it may see of the records themselves.
class ServerRowHistoryTest : public TestDatabase {
protected:
    TestEngine engine() const override { return TestEngine::Server; }

    // Whether the login, made anew in the group (none when empty), may read the changes of
    // the table.
    bool mayRead(const std::string& group, const std::string& table) {
        const std::string login = "history_" + std::to_string(getpid());
        query("DROP ROLE IF EXISTS " + login);
        query("CREATE ROLE " + login + " LOGIN" + (group.empty() ? "" : " IN ROLE " + group));
        pg_conn* desk = PQconnectdb(serverConnection(login).c_str());
        PGresult* result = PQexec(
            desk, ("SELECT count(*) FROM medora_row_history('" + table + "', '', 1)").c_str());
        const bool read = PQresultStatus(result) == PGRES_TUPLES_OK;
        const std::string count = read ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        PQfinish(desk);
        query("DROP ROLE " + login);
        return read && count == "1";
    }
};

TEST_F(ServerRowHistoryTest, EachGroupReadsTheChangesOfWhatItMaySee) {
    const std::string patient = addPatient();
    ASSERT_TRUE(ComplaintRecord().Add(patient, kVisitDay, visitTexts("cough", "")));
    ASSERT_EQ(patient, "1");
    const struct {
        const char* group;
        const char* table;
        bool reads;
    } cases[] = {
        {"medora_reception", "patient_info", true}, {"medora_reception", "complaints", false},
        {"medora_clinician", "complaints", true},   {"medora_admin", "complaints", true},
        {"medora_auditor", "patient_info", false},  {"", "patient_info", false},
        {"medora_admin", "users", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mayRead(c.group, c.table), c.reads) << c.group << " " << c.table;
}
