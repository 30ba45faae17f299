#include "TestDatabase.h"

#include "store/DeletedPatients.h"
#include "store/store.h"

using Strings = std::vector<std::string>;

namespace {

Strings visitTexts(const std::string& tag)
{
    Strings texts;
    for (const VisitField& field : kVisitFields)
        texts.push_back(tag + " " + field.column + "\nsecond line é 漢字 \"quoted\"");
    return texts;
}

// Two patients whose rows interleave, each with entries of every kind.
void fillRecords(const std::string& ann, const std::string& bob)
{
    const char* const kinds[] = {"Allergies", "Medical", "Surgical", "Social", "Family"};
    for (int round = 0; round < 2; ++round)
        for (const std::string& patient : {ann, bob}) {
            const std::string tag = patient + "/" + std::to_string(round);
            for (const char* kind : kinds)
                ASSERT_TRUE(HistoryEntryRecord().Add(patient, kind, std::string(kind) + " " + tag));
            ASSERT_TRUE(PatientMedicationRecord().Add(patient, "drug " + tag,
                                                      round == 0 ? "New Chronic" : "Temporary"));
            ASSERT_TRUE(TestRecord().Add(patient, DateTime::fromCivil(2024, 2, 1 + round, 9, 15),
                                         "CBC " + tag, "Hb 12\nWBC 7"));
            ComplaintRecord visit;
            ASSERT_TRUE(visit.Add(patient, DateTime::fromCivil(2025, 6, 3 - round, 11, 45),
                                  visitTexts(tag)));
        }
}

Strings texts(const std::vector<WholeRecord::Entry>& entries)
{
    Strings out;
    for (const WholeRecord::Entry& entry : entries)
        out.push_back(entry.text);
    return out;
}

Strings ids(const auto& rows)
{
    Strings out;
    for (const auto& row : rows)
        out.push_back(row.id);
    return out;
}

} // namespace

class WholeRecordTest : public StoreTest
{
};

ON_BOTH_ENGINES(WholeRecordTest);

// The record read at once holds what the record screen's lists and the visit screen read
// one section at a time, and nothing of another patient.
TEST_P(WholeRecordTest, EqualsTheSectionsReadOneByOne)
{
    const std::string ann = addPatient("Ann", "Lee");
    const std::string bob = addPatient("Bob", "Roe");
    fillRecords(ann, bob);
    const DateTime now = DateTime::fromCivil(2026, 12, 9, 12, 0);

    for (const std::string& patient : {ann, bob}) {
        WholeRecord whole;
        ASSERT_TRUE(whole.Fetch(patient, now));
        EXPECT_EQ(whole.m_patientId, patient);

        PatientDetails details;
        ASSERT_TRUE(details.Fetch(patient));
        ASSERT_TRUE(details.FetchAge(patient, now));
        EXPECT_EQ(whole.m_details.m_firstName, details.m_firstName);
        EXPECT_EQ(whole.m_details.m_lastName, details.m_lastName);
        EXPECT_EQ(whole.m_details.m_dob, details.m_dob);
        EXPECT_EQ(whole.m_details.m_gender, details.m_gender);
        EXPECT_EQ(whole.m_details.m_address, details.m_address);
        EXPECT_EQ(whole.m_details.m_telephone, details.m_telephone);
        EXPECT_EQ(whole.m_details.m_age, details.m_age);
        EXPECT_EQ(whole.m_details.m_ageUnit, details.m_ageUnit);

        const std::pair<const char*, const std::vector<WholeRecord::Entry>*> kinds[] = {
            {"Allergies", &whole.m_allergies},
            {"Medical", &whole.m_medical},
            {"Surgical", &whole.m_surgical},
            {"Social", &whole.m_social},
            {"Family", &whole.m_family}};
        for (const auto& [kind, entries] : kinds) {
            HistoryEntryList list;
            ASSERT_TRUE(list.Fetch(patient, kind));
            EXPECT_EQ(ids(*entries), list.m_ids) << kind;
            EXPECT_EQ(texts(*entries), list.m_details) << kind;
            EXPECT_EQ(entries->size(), 2u) << kind;
        }

        PatientMedicationList medications;
        ASSERT_TRUE(medications.Fetch(patient));
        EXPECT_EQ(ids(whole.m_medications), medications.m_ids);
        for (size_t i = 0; i < whole.m_medications.size(); ++i) {
            EXPECT_EQ(whole.m_medications[i].name, medications.m_names[i]);
            EXPECT_EQ(whole.m_medications[i].status, medications.m_statuses[i]);
        }

        TestList tests;
        ASSERT_TRUE(tests.Fetch(patient));
        EXPECT_EQ(ids(whole.m_tests), tests.m_ids);
        for (size_t i = 0; i < whole.m_tests.size(); ++i) {
            EXPECT_EQ(whole.m_tests[i].date, tests.m_days[i]);
            EXPECT_EQ(whole.m_tests[i].type, tests.m_types[i]);
            EXPECT_EQ(whole.m_tests[i].results, tests.m_results[i]);
        }

        ComplaintList visits;
        ASSERT_TRUE(visits.Fetch(patient));
        EXPECT_EQ(ids(whole.m_visits), visits.m_ids);
        for (size_t i = 0; i < whole.m_visits.size(); ++i) {
            ComplaintList one;
            ASSERT_TRUE(one.FetchDetails(visits.m_ids[i]));
            EXPECT_EQ(whole.m_visits[i].date, one.m_date);
            EXPECT_EQ(whole.m_visits[i].texts, lastVisitTexts(one.m_values));
        }
    }
}

TEST_P(WholeRecordTest, AMissingOrMalformedPatientLeavesTheRecordAsItWas)
{
    const std::string ann = addPatient();
    fillRecords(ann, addPatient("Bob", "Roe"));
    WholeRecord whole;
    ASSERT_TRUE(whole.Fetch("00" + ann));
    EXPECT_EQ(whole.m_patientId, ann);
    const WholeRecord before = whole;
    for (const char* bad : {"999", "", "1a", "-1", "4294967297"}) {
        EXPECT_FALSE(whole.Fetch(bad)) << bad;
        EXPECT_EQ(whole.m_visits, before.m_visits) << bad;
        EXPECT_EQ(whole.m_allergies, before.m_allergies) << bad;
        EXPECT_EQ(whole.m_patientId, ann) << bad;
    }
}

// A deleted patient comes back whole, with the old numbers, and is found by the search again;
// a visit deleted on its own before stays deleted, and the other patient is untouched.
TEST_P(WholeRecordTest, ADeletedPatientComesBackWhole)
{
    const std::string ann = addPatient("Ann", "Lee");
    const std::string bob = addPatient("Bob", "Roe");
    fillRecords(ann, bob);
    ComplaintRecord deletedBefore;
    ASSERT_TRUE(deletedBefore.Add(ann, DateTime::fromCivil(2025, 1, 5, 9, 0), visitTexts("gone")));
    ASSERT_TRUE(ComplaintRecord().Delete(deletedBefore.m_id));
    const DateTime now = DateTime::fromCivil(2026, 12, 9, 12, 0);
    WholeRecord before, other;
    ASSERT_TRUE(before.Fetch(ann, now));
    ASSERT_TRUE(other.Fetch(bob, now));

    ASSERT_TRUE(PatientRecord().DeleteWithRecords(ann));
    DeletedPatients deleted;
    ASSERT_TRUE(deleted.Fetch());
    ASSERT_EQ(deleted.m_patients.size(), 1u);
    EXPECT_EQ(deleted.m_patients[0].id, ann);
    EXPECT_EQ(deleted.m_patients[0].lastName, "Lee");
    EXPECT_EQ(deleted.m_patients[0].dob, before.m_details.m_dob);
    ASSERT_TRUE(deleted.BringBack(ann));
    EXPECT_FALSE(deleted.BringBack(ann)) << "a patient who is there comes back once";

    WholeRecord after;
    ASSERT_TRUE(after.Fetch(ann, now));
    EXPECT_EQ(after.m_details.m_firstName, "Ann");
    EXPECT_EQ(after.m_details.m_dob, before.m_details.m_dob);
    EXPECT_EQ(after.m_details.m_gender, before.m_details.m_gender);
    for (const auto& [kept, back] : {std::pair{&before.m_allergies, &after.m_allergies},
                                     {&before.m_medical, &after.m_medical},
                                     {&before.m_family, &after.m_family}})
        EXPECT_EQ(*back, *kept);
    EXPECT_EQ(after.m_medications, before.m_medications);
    EXPECT_EQ(after.m_tests, before.m_tests);
    EXPECT_EQ(after.m_visits, before.m_visits);
    WholeRecord otherAfter;
    ASSERT_TRUE(otherAfter.Fetch(bob, now));
    EXPECT_EQ(otherAfter.m_visits, other.m_visits);

    ASSERT_TRUE(deleted.Fetch());
    EXPECT_TRUE(deleted.m_patients.empty());
    PatientNameList found;
    ASSERT_TRUE(found.Search("Lee"));
    EXPECT_EQ(found.m_ids, Strings{ann});
}
