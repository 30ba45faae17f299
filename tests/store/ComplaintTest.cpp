#include "TestDatabase.h"

#include "store/store.h"

#include <cctype>

using Strings = std::vector<std::string>;

namespace {

Strings visitTexts(const std::string& tag)
{
    Strings texts;
    for (int i = 0; i < 21; ++i)
        texts.push_back(tag + std::to_string(i));
    return texts;
}

} // namespace

class ComplaintTest : public StoreTest
{
};

ON_BOTH_ENGINES(ComplaintTest);

TEST_P(ComplaintTest, FetchListsOnePatientsVisitsInStoredOrder)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    ComplaintList none;
    EXPECT_TRUE(none.Fetch(ann));
    EXPECT_TRUE(none.m_ids.empty());

    ComplaintRecord first, second, others;
    ASSERT_TRUE(first.Add(ann, DateTime::fromCivil(2026, 12, 7, 10, 30), visitTexts("a")));
    ASSERT_TRUE(others.Add(bob, DateTime::fromCivil(2026, 1, 1), visitTexts("b")));
    ASSERT_TRUE(second.Add(ann, DateTime::fromCivil(2020, 3, 4), visitTexts("a")));
    EXPECT_NE(first.m_id, second.m_id);

    ComplaintList list;
    ASSERT_TRUE(list.Fetch(ann));
    ASSERT_TRUE(list.Fetch(ann));
    EXPECT_EQ(list.m_ids, (Strings{first.m_id, second.m_id, first.m_id, second.m_id}));
    EXPECT_EQ(list.m_dates, (Strings{"07/12/26", "04/03/20", "07/12/26", "04/03/20"}));
    EXPECT_EQ(list.m_complaints[0], "a0");
    EXPECT_EQ(list.m_diagnoses[0], "a19");
    EXPECT_EQ(list.m_treatments[0], "a20");
}

TEST_P(ComplaintTest, AddRefusesWrongTextCountsAndMissingPatients)
{
    const std::string ann = addPatient();
    ComplaintRecord record;
    EXPECT_FALSE(record.Add(ann, DateTime(45000), Strings(20)));
    EXPECT_FALSE(record.Add(ann, DateTime(45000), Strings(22)));
    EXPECT_FALSE(record.Add("999", DateTime(45000), Strings(21)));
    EXPECT_FALSE(record.Add("x", DateTime(45000), Strings(21)));
    EXPECT_TRUE(record.m_id.empty());
    EXPECT_EQ(count("complaints"), 0);
}

TEST_P(ComplaintTest, FetchDetailsGivesTheWholeVisit)
{
    const std::string ann = addPatient();
    const DateTime date = DateTime::fromCivil(2026, 12, 7, 10, 30, 15);
    ComplaintRecord record;
    ASSERT_TRUE(record.Add(ann, date, visitTexts("v")));

    ComplaintList visit;
    ASSERT_TRUE(visit.FetchDetails("000" + record.m_id));
    Strings expected{"000" + record.m_id, ann};
    for (const std::string& text : visitTexts("v"))
        expected.push_back(text);
    EXPECT_EQ(visit.m_values, expected);
    EXPECT_EQ(visit.m_date, date);
    EXPECT_FALSE(visit.FetchDetails("999"));
    EXPECT_EQ(visit.m_values.size(), 23u);
}

TEST_P(ComplaintTest, UpdateAndDeleteActOnlyOnTheirOwnVisit)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    ComplaintRecord mine, kept;
    ASSERT_TRUE(mine.Add(ann, DateTime(45000), visitTexts("old")));
    ASSERT_TRUE(kept.Add(ann, DateTime(45000), visitTexts("kept")));

    const DateTime later = DateTime::fromCivil(2027, 2, 1);
    ASSERT_TRUE(mine.Update(mine.m_id, bob, later, visitTexts("new")));
    EXPECT_FALSE(mine.Update("999", ann, later, visitTexts("new")));
    EXPECT_FALSE(mine.Update(mine.m_id, ann, later, Strings(3)));

    ComplaintList visit;
    ASSERT_TRUE(visit.FetchDetails(mine.m_id));
    EXPECT_EQ(visit.m_values[1], ann);
    EXPECT_EQ(visit.m_values[2], "new0");
    EXPECT_EQ(visit.m_date, later);
    EXPECT_EQ(count("complaints", "complaint = 'kept0'"), 1);

    EXPECT_TRUE(mine.Delete(mine.m_id));
    EXPECT_FALSE(mine.Delete(mine.m_id));
    EXPECT_EQ(query("SELECT compl_ID FROM complaints"), Strings{kept.m_id});
}

// The visit fields are the visit columns of either engine's schema, in their order, and each
// field's text is stored in the column of its name, as other clients read it.
TEST_P(ComplaintTest, VisitFieldsAreTheStoredColumns)
{
    const std::string columns =
        onServer() ? "SELECT lower(column_name) FROM information_schema.columns"
                     " WHERE table_schema = current_schema() AND table_name = 'complaints'"
                     " ORDER BY ordinal_position"
                   : "SELECT lower(name) FROM pragma_table_info('complaints') ORDER BY cid";
    Strings described{"compl_id", "patient_id", "date"};
    for (const VisitField& field : kVisitFields) {
        std::string column = field.column;
        for (char& c : column)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        described.push_back(column);
    }
    EXPECT_EQ(query(columns), described);

    ComplaintRecord record;
    ASSERT_TRUE(record.Add(addPatient(), DateTime(45000), visitTexts("added")));
    ASSERT_TRUE(record.UpdateUnlessChanged(record.m_id, "1", DateTime(45000), visitTexts("added"),
                                           DateTime(45001), visitTexts("changed")));
    for (size_t i = 0; i < kVisitTextCount; ++i)
        EXPECT_EQ(query(std::string("SELECT ") + kVisitFields[i].column + " FROM complaints"),
                  Strings{"changed" + std::to_string(i)})
            << kVisitFields[i].column;
}
