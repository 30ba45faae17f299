#include "TestDatabase.h"

#include "store/store.h"

using Strings = std::vector<std::string>;

namespace {

const char* const changedElsewhere =
    "This record was changed at another desk since you opened it. Your changes were not saved; "
    "close it and open it again to see the new details.";

PatientDetails fetched(const std::string& id)
{
    PatientDetails details;
    EXPECT_TRUE(details.Fetch(id));
    return details;
}

// The patient's details with one of the six changed: 0 the first name ... 5 the telephone.
bool saveWithOneChange(const std::string& id, const PatientDetails& loaded, int changed)
{
    const auto pick = [changed](int field, auto same, auto other) {
        return field == changed ? other : same;
    };
    return PatientRecord().UpdateUnlessChanged(
        id, loaded, pick(0, loaded.m_firstName, std::string("Anna")),
        pick(1, loaded.m_lastName, std::string("Leigh")),
        pick(2, loaded.m_dob, DateTime::fromCivil(1981, 1, 1)), pick(3, loaded.m_gender, 0),
        pick(4, loaded.m_address, std::string("2 Elm St")),
        pick(5, loaded.m_telephone, std::string("555-0199")));
}

struct Visit
{
    DateTime date;
    Strings texts;
};

Visit fetchedVisit(const std::string& id)
{
    ComplaintList visit;
    EXPECT_TRUE(visit.FetchDetails(id));
    return {visit.m_date, Strings(visit.m_values.begin() + 2, visit.m_values.end())};
}

// The visit with one of its twenty-two values changed: 0 the date, then the texts in order.
Visit withOneChange(Visit visit, int changed)
{
    if (changed == 0)
        visit.date = DateTime(visit.date.days() + 1);
    else
        visit.texts[static_cast<size_t>(changed) - 1] += " (amended)";
    return visit;
}

} // namespace

// Two desks, or two windows of one desk, have the same patient or the same visit open and
// both save: the second save must not undo the first.
class LostUpdateTest : public StoreTest
{
};

ON_BOTH_ENGINES(LostUpdateTest);

TEST_P(LostUpdateTest, TheLaterSaveOfAPatientChangedElsewhereIsRefused)
{
    const std::string id = addPatient();
    for (int field = 0; field < 6; ++field) {
        const PatientDetails first = fetched(id);
        const PatientDetails second = fetched(id);
        ASSERT_TRUE(saveWithOneChange(id, first, field)) << field;
        EXPECT_EQ(LastFailure::kind(), FailureKind::None);
        const PatientDetails saved = fetched(id);

        EXPECT_FALSE(saveWithOneChange(id, second, (field + 1) % 6)) << field;
        EXPECT_EQ(LastFailure::kind(), FailureKind::ChangedElsewhere) << field;
        EXPECT_EQ(LastFailure::message(), changedElsewhere);
        const PatientDetails kept = fetched(id);
        EXPECT_EQ(
            Strings({kept.m_firstName, kept.m_lastName, kept.m_address, kept.m_telephone}),
            Strings({saved.m_firstName, saved.m_lastName, saved.m_address, saved.m_telephone}));
        EXPECT_EQ(kept.m_dob, saved.m_dob);
        EXPECT_EQ(kept.m_gender, saved.m_gender);
    }
    // Saved from what is stored now, the change goes through; once the patient is deleted
    // there is nothing to save to.
    const PatientDetails current = fetched(id);
    EXPECT_TRUE(saveWithOneChange(id, current, 0));
    ASSERT_TRUE(PatientRecord().DeleteWithRecords(id));
    EXPECT_FALSE(saveWithOneChange(id, current, 1));
    EXPECT_EQ(LastFailure::kind(), FailureKind::NoSuchRecord);
}

TEST_P(LostUpdateTest, TheLaterSaveOfAVisitChangedElsewhereIsRefused)
{
    const std::string patient = addPatient();
    ComplaintRecord added;
    Strings texts;
    for (int i = 0; i < 21; ++i)
        texts.push_back("finding " + std::to_string(i));
    ASSERT_TRUE(added.Add(patient, DateTime::fromCivil(2026, 3, 4, 10, 30), texts));
    const std::string id = added.m_id;

    for (int value = 0; value < 22; ++value) {
        const Visit first = fetchedVisit(id);
        const Visit second = fetchedVisit(id);
        const Visit mine = withOneChange(first, value);
        ASSERT_TRUE(ComplaintRecord().UpdateUnlessChanged(id, patient, first.date, first.texts,
                                                          mine.date, mine.texts))
            << value;
        const Visit theirs = withOneChange(second, (value + 1) % 22);
        EXPECT_FALSE(ComplaintRecord().UpdateUnlessChanged(id, patient, second.date, second.texts,
                                                           theirs.date, theirs.texts))
            << value;
        EXPECT_EQ(LastFailure::kind(), FailureKind::ChangedElsewhere) << value;
        EXPECT_EQ(LastFailure::message(), changedElsewhere);
        const Visit kept = fetchedVisit(id);
        EXPECT_EQ(kept.date, mine.date) << value;
        EXPECT_EQ(kept.texts, mine.texts) << value;
    }

    const Visit current = fetchedVisit(id);
    ASSERT_TRUE(ComplaintRecord().Delete(id));
    EXPECT_FALSE(ComplaintRecord().UpdateUnlessChanged(id, patient, current.date, current.texts,
                                                       current.date, current.texts));
    EXPECT_EQ(LastFailure::kind(), FailureKind::NoSuchRecord);
}
