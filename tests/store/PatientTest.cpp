#include "TestDatabase.h"

#include "store/Database.h"
#include "store/store.h"

using Strings = std::vector<std::string>;

class PatientTest : public StoreTest
{
};

ON_BOTH_ENGINES(PatientTest);

TEST_P(PatientTest, AddReadsBackKeysAndListsAppendInStoredOrder)
{
    PatientNameList empty;
    EXPECT_TRUE(empty.FetchAll());
    EXPECT_TRUE(empty.m_ids.empty());

    const std::string first = addPatient("Zoe", "Adams");
    const std::string second = addPatient("Al", "Baker");
    EXPECT_EQ(std::stoi(second), std::stoi(first) + 1);

    PatientNameList list;
    ASSERT_TRUE(list.FetchAll());
    ASSERT_TRUE(list.FetchAll());
    EXPECT_EQ(list.m_ids, (Strings{first, second, first, second}));
    EXPECT_EQ(list.m_firstNames, (Strings{"Zoe", "Al", "Zoe", "Al"}));
    EXPECT_EQ(list.m_lastNames, (Strings{"Adams", "Baker", "Adams", "Baker"}));
}

TEST_P(PatientTest, FetchByIdAcceptsOnlyWholeNumbers)
{
    const std::string id = addPatient();
    PatientNameList list;
    EXPECT_TRUE(list.FetchByID("00" + id));
    EXPECT_EQ(list.m_ids, Strings{id});
    for (const char* bad : {"", "99", "1a", "-1", "+1", " 1", "1.0", "4294967297", "2147483648",
                            "1 OR 1=1"})
        EXPECT_FALSE(list.FetchByID(bad)) << bad;
    EXPECT_EQ(list.m_ids.size(), 1u);
}

TEST_P(PatientTest, DetailsRoundTripAndUpdateTouchesOneRow)
{
    const std::string id = addPatient();
    const std::string other = addPatient("Bo", "Other");
    const DateTime dob = DateTime::fromCivil(1975, 2, 3, 4, 5, 6);
    PatientRecord record;
    ASSERT_TRUE(record.Update(id, "José Ñúñez", "محمد \"Mo\"", dob, 0, "Line 1\r\nLine 2", "李小龍"));
    EXPECT_FALSE(record.Update("999", "X", "Y", dob, 0, "", ""));
    EXPECT_FALSE(record.Update(id, "X", "Y", DateTime(1e9), 0, "", ""));

    PatientDetails details;
    ASSERT_TRUE(details.Fetch(id));
    EXPECT_EQ(details.m_firstName, "José Ñúñez");
    EXPECT_EQ(details.m_lastName, "محمد \"Mo\"");
    EXPECT_EQ(details.m_dob, dob);
    EXPECT_EQ(details.m_gender, 0);
    EXPECT_EQ(details.m_address, "Line 1\r\nLine 2");
    EXPECT_EQ(details.m_telephone, "李小龍");

    EXPECT_FALSE(details.Fetch("999"));
    EXPECT_EQ(details.m_firstName, "José Ñúñez");
    ASSERT_TRUE(details.Fetch(other));
    EXPECT_EQ(details.m_firstName, "Bo");
    EXPECT_EQ(details.m_gender, 1);
}

TEST_P(PatientTest, AgeInDaysMonthsAndYears)
{
    const DateTime now = DateTime::fromCivil(2025, 6, 15, 10, 30);
    const struct {
        double daysOld;
        const char* age;
        AgeUnit unit;
    } cases[] = {{29.9, "29", Days}, {30, "1", Months}, {364, "12", Months}, {365, "1", Years},
                 {-3.5, "-3", Days}};
    for (const auto& c : cases) {
        PatientRecord record;
        ASSERT_TRUE(record.Add("A", "B", DateTime(now.days() - c.daysOld), 0, "", ""));
        PatientDetails details;
        ASSERT_TRUE(details.FetchAge(record.m_id, now));
        EXPECT_EQ(details.m_age, c.age) << c.daysOld;
        EXPECT_EQ(details.m_ageUnit, c.unit) << c.daysOld;
    }
    DateTime::Civil today;
    ASSERT_TRUE(DateTime::currentLocal().toCivil(today));
    PatientRecord forty;
    ASSERT_TRUE(forty.Add("A", "B", DateTime::fromCivil(today.year - 40, today.month, today.day), 0, "", ""));
    PatientDetails details;
    ASSERT_TRUE(details.FetchAge(forty.m_id));
    EXPECT_EQ(details.m_age, "40");
    EXPECT_EQ(details.m_ageUnit, Years);
    EXPECT_FALSE(details.FetchAge("999"));
}

TEST_P(PatientTest, DeleteWithRecordsTakesEveryRowOfThatPatientOnly)
{
    const std::string gone = addPatient();
    const std::string kept = addPatient("Kim", "Kept");
    for (const std::string& id : {gone, kept}) {
        ASSERT_TRUE(ComplaintRecord().Add(id, DateTime::fromCivil(2024, 1, 2), Strings(21, "x")));
        ASSERT_TRUE(HistoryEntryRecord().Add(id, "Medical", "asthma"));
        ASSERT_TRUE(PatientMedicationRecord().Add(id, "ASPIRIN", "Temporary"));
        ASSERT_TRUE(TestRecord().Add(id, DateTime::fromCivil(2024, 1, 2), "CBC", "normal"));
    }
    const char* tables[] = {"complaints", "history_entries", "patient_medications", "tests"};

    ASSERT_TRUE(PatientRecord().DeleteWithRecords(gone));
    EXPECT_EQ(count("patient_info"), 1);
    for (const char* table : tables) {
        EXPECT_EQ(count(table, "patient_ID = " + gone), 0) << table;
        EXPECT_EQ(count(table, "patient_ID = " + kept), 1) << table;
    }
    EXPECT_FALSE(PatientRecord().DeleteWithRecords(gone));

    // One transaction: a failure part-way leaves the patient and all the records.
    query("DROP TABLE patient_medications");
    EXPECT_FALSE(PatientRecord().DeleteWithRecords(kept));
    EXPECT_EQ(count("patient_info", "ID = " + kept), 1);
    EXPECT_EQ(count("complaints", "patient_ID = " + kept), 1);
}

TEST_P(PatientTest, NumbersAreNeverGivenTwice)
{
    addPatient();
    const std::string newest = addPatient();
    ASSERT_TRUE(PatientRecord().DeleteWithRecords(newest));
    EXPECT_EQ(std::stoi(addPatient()), std::stoi(newest) + 1);
}

// The server sends a whole result at once and tells how many rows it holds, so that a long list
// makes room for them without asking for their number first; the file finds its rows one by
// one and cannot tell.
TEST_P(PatientTest, ServerResultsTellHowManyRowsTheyHold)
{
    for (int i = 0; i < 3; ++i)
        addPatient();
    std::vector<std::optional<long long>> told;
    ASSERT_TRUE(Database::run([&](Database& db) {
        for (const char* sql :
             {"SELECT ID FROM patient_info", "SELECT ID FROM patient_info WHERE ID < 0"}) {
            Statement rows = db.prepare(sql);
            rows.step();
            told.push_back(rows.rowCount());
        }
        return true;
    }));
    using Told = std::vector<std::optional<long long>>;
    EXPECT_EQ(told, (onServer() ? Told{3, 0} : Told{std::nullopt, std::nullopt}));
}

// Another program, or a restored file, can hold any key; the list never sizes itself by one.
TEST_P(PatientTest, FetchAllListsPatientsWithExtremeKeys)
{
    // The server gives keys itself unless told to take these.
    const std::string given = onServer() ? " OVERRIDING SYSTEM VALUE" : "";
    for (const char* row : {"2000000000, 'Big'", "-7, 'Neg'"})
        query("INSERT INTO patient_info (ID, first_name, last_name, DOB)" + given + " VALUES (" +
              row + ", 'Key', '1980-01-01 00:00:00')");
    PatientNameList list;
    ASSERT_TRUE(list.FetchAll());
    EXPECT_EQ(list.m_ids, (Strings{"-7", "2000000000"}));
    EXPECT_EQ(list.m_firstNames, (Strings{"Neg", "Big"}));
}
