#include "TestDatabase.h"

#include "store/store.h"

using Strings = std::vector<std::string>;

class ListTablesTest : public StoreTest
{
};

ON_BOTH_ENGINES(ListTablesTest);

TEST_P(ListTablesTest, HistoryEntriesFilterByPatientAndType)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    HistoryEntryRecord record;
    ASSERT_TRUE(record.Add(ann, "Medical", "asthma"));
    ASSERT_TRUE(record.Add(ann, "Surgical", "appendix"));
    ASSERT_TRUE(record.Add(bob, "Medical", "gout"));
    ASSERT_TRUE(record.Add(ann, "Medical", "diabetes \"type 2\""));
    ASSERT_TRUE(record.Add(ann, "Odd \" type", "quoted"));
    EXPECT_FALSE(record.Add("999", "Medical", "nobody"));

    HistoryEntryList medical;
    ASSERT_TRUE(medical.Fetch(ann, "Medical"));
    EXPECT_EQ(medical.m_details, (Strings{"asthma", "diabetes \"type 2\""}));
    HistoryEntryList odd;
    ASSERT_TRUE(odd.Fetch(ann, "Odd \" type"));
    EXPECT_EQ(odd.m_details, Strings{"quoted"});
    HistoryEntryList none;
    EXPECT_TRUE(none.Fetch(bob, "Allergies"));
    EXPECT_TRUE(none.m_ids.empty());

    EXPECT_TRUE(record.Delete(medical.m_ids[0]));
    EXPECT_FALSE(record.Delete(medical.m_ids[0]));
    EXPECT_EQ(count("history_entries"), 4);
}

TEST_P(ListTablesTest, MedicationsOfOnePatient)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    PatientMedicationRecord record;
    ASSERT_TRUE(record.Add(ann, "METFORMIN", "Old Chronic"));
    ASSERT_TRUE(record.Add(bob, "ASPIRIN", "Temporary"));
    ASSERT_TRUE(record.Add(ann, "INSULIN", "New Chronic"));
    EXPECT_FALSE(record.Add("999", "X", "Temporary"));

    PatientMedicationList list;
    ASSERT_TRUE(list.Fetch(ann));
    EXPECT_EQ(list.m_names, (Strings{"METFORMIN", "INSULIN"}));
    EXPECT_EQ(list.m_statuses, (Strings{"Old Chronic", "New Chronic"}));
    EXPECT_TRUE(record.Delete(list.m_ids[0]));
    EXPECT_FALSE(record.Delete(list.m_ids[0]));
    EXPECT_EQ(query("SELECT name FROM patient_medications ORDER BY medication_ID"),
              (Strings{"ASPIRIN", "INSULIN"}));
}

TEST_P(ListTablesTest, TestsOfOnePatient)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    TestRecord record;
    ASSERT_TRUE(record.Add(ann, DateTime::fromCivil(2026, 12, 7), "CBC", "Hb 13.5"));
    ASSERT_TRUE(record.Add(bob, DateTime::fromCivil(2026, 1, 1), "TSH", "2.1"));
    ASSERT_TRUE(record.Add(ann, DateTime::fromCivil(2025, 11, 30), "LIPIDS", ""));
    EXPECT_FALSE(record.Add("999", DateTime(45000), "CBC", "x"));

    TestList list;
    ASSERT_TRUE(list.Fetch(ann));
    EXPECT_EQ(list.m_dates, (Strings{"07/12/26", "30/11/25"}));
    EXPECT_EQ(list.m_types, (Strings{"CBC", "LIPIDS"}));
    EXPECT_EQ(list.m_results, (Strings{"Hb 13.5", ""}));
    EXPECT_TRUE(record.Delete(list.m_ids[0]));
    EXPECT_FALSE(record.Delete(list.m_ids[0]));
    EXPECT_EQ(count("tests"), 2);
}

// Both name lists behave alike: a name goes in once, in the order first given.
template <typename NameList>
void checkNameList(const char* table)
{
    NameList empty;
    EXPECT_TRUE(empty.FetchAll());
    EXPECT_TRUE(empty.m_names.empty());
    for (const char* name : {"5\" GAUZE", "ASPIRIN", "5\" GAUZE", "ASPIRIN", "\"", "ÄSPIRIN"})
        EXPECT_TRUE(NameList().AddName(name)) << name;
    NameList list;
    ASSERT_TRUE(list.FetchAll());
    ASSERT_TRUE(list.FetchAll());
    const Strings once{"5\" GAUZE", "ASPIRIN", "\"", "ÄSPIRIN"};
    Strings twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(list.m_names, twice) << table;
}

TEST_P(ListTablesTest, MedicationNamesAreAddedOnce)
{
    checkNameList<MedicationNameList>("meds_list");
}

TEST_P(ListTablesTest, TestTypesAreAddedOnce)
{
    checkNameList<TestTypeList>("tests_list");
}

TEST_P(ListTablesTest, ClinicInfoKeepsItsTextsExactly)
{
    ClinicInfo fresh;
    ASSERT_TRUE(fresh.Fetch());
    EXPECT_EQ(fresh.m_setStatus, 0);

    // Texts left in a row that was never saved from the program are not shown.
    query("UPDATE clinic_info SET clinic_name = 'Leftover'");
    ClinicInfo unsaved;
    ASSERT_TRUE(unsaved.Fetch());
    EXPECT_EQ(unsaved.m_clinicName, "");

    ASSERT_TRUE(ClinicInfo().Save("Clínica Sol", "Dr. Ng", "MD", "555", "1 Rue", "Montréal", "QC",
                                  "A1B 2C3"));
    ClinicInfo saved;
    ASSERT_TRUE(saved.Fetch());
    EXPECT_EQ(saved.m_setStatus, 1);
    const Strings got{saved.m_clinicName, saved.m_docName, saved.m_docQualifications,
                      saved.m_phone,      saved.m_street,  saved.m_city,
                      saved.m_province,   saved.m_postalCode};
    EXPECT_EQ(got, (Strings{"Clínica Sol", "Dr. Ng", "MD", "555", "1 Rue", "Montréal", "QC",
                            "A1B 2C3"}));
    ASSERT_TRUE(ClinicInfo().Save("", "", "", "", "", "", "", "02134"));
    ASSERT_TRUE(saved.Fetch());
    EXPECT_EQ(saved.m_postalCode, "02134");

    query("DELETE FROM clinic_info");
    EXPECT_FALSE(saved.Fetch());
    EXPECT_FALSE(ClinicInfo().Save("", "", "", "", "", "", "", ""));
}
