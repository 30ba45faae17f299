// Finding patients from what is typed: name words, telephone digits, dates of birth and record
// numbers, in the same order on both engines; the keys follow every change; older files get
// theirs on first use.

#include "OldRecordsFile.h"
#include "TestDatabase.h"

#include "store/RecordsIdentity.h"
#include "store/SearchKey.h"
#include "store/store.h"

#include <algorithm>
#include <filesystem>

using Strings = std::vector<std::string>;

namespace {

struct Patient
{
    const char* first;
    const char* last;
    DateTime dob;
    const char* telephone;
};

// Stored in this order, so that record numbers run from 1 as listed.
const Patient kClinic[] = {
    {"John", "Smith", DateTime::fromCivil(1980, 5, 17), "555-0142"},
    {"Anna", "Johnson", DateTime::fromCivil(1975, 1, 2), "(555) 019.9876"},
    {"José", "Núñez", DateTime::fromCivil(1990, 12, 31), "+34 91 123 4567"},
    {"مُحَمَّد", "عبد الله", DateTime::fromCivil(1965, 7, 8), ""},
    {"小明", "王", DateTime::fromCivil(2001, 3, 4), ""},
    {"Baby 2", "Jones", DateTime::fromCivil(2024, 2, 29), "555 0142 / 555 7777"},
    {"Zoë", "Smithers-Lee", DateTime::fromCivil(1980, 5, 17), "01234"},
    {"Jo", "Ångström", DateTime::fromCivil(1950, 6, 6), ""},
    {"Olga", "Brown", DateTime::fromCivil(1961, 4, 9), ""},
    {"Kate", "O'Brien", DateTime::fromCivil(1972, 8, 30), ""},
};

Strings search(const std::string& typed)
{
    PatientNameList list;
    EXPECT_TRUE(list.Search(typed)) << typed;
    EXPECT_EQ(list.m_found, static_cast<long long>(list.m_ids.size())) << typed;
    Strings names;
    for (size_t i = 0; i < list.m_ids.size(); ++i)
        names.push_back(list.m_firstNames[i] + " " + list.m_lastNames[i]);
    return names;
}

struct Case
{
    const char* typed;
    Strings found;
};

const Case kCases[] = {
    // Each word begins a word of either name, in any order and case.
    {"smi jo", {"John Smith"}},
    {"jo smi", {"John Smith"}},
    {"john", {"Anna Johnson", "John Smith"}},
    {"SMITH", {"John Smith", "Zoë Smithers-Lee"}},
    {"lee zoe", {"Zoë Smithers-Lee"}},
    {"  smithers  ", {"Zoë Smithers-Lee"}},
    // Accents and other scripts.
    {"jose nunez", {"José Núñez"}},
    {"NÚÑEZ JOSÉ", {"José Núñez"}},
    {"angstrom", {"Jo Ångström"}},
    {"محمد", {"مُحَمَّد عبد الله"}},
    {"الله", {"مُحَمَّد عبد الله"}},
    {"王", {"小明 王"}},
    {"小", {"小明 王"}},
    // A name written with an apostrophe or a hyphen, found whole or by its parts; a typed
    // apostrophe or hyphen joins as it does in the name.
    {"obrien", {"Kate O'Brien"}},
    {"o'brien", {"Kate O'Brien"}},
    {"O’Brien kate", {"Kate O'Brien"}},
    {"o brien", {"Kate O'Brien"}},
    {"o'b", {"Kate O'Brien"}},
    {"brien", {"Kate O'Brien"}},
    {"smitherslee", {"Zoë Smithers-Lee"}},
    {"smithers-l", {"Zoë Smithers-Lee"}},
    // Telephone digits, marks ignored on either side, four at least.
    {"5550142", {"Baby 2 Jones", "John Smith"}},
    {"555-0142", {"Baby 2 Jones", "John Smith"}},
    {"(555) 0142", {"Baby 2 Jones", "John Smith"}},
    {"0199876", {"Anna Johnson"}},
    {"1234567", {"José Núñez"}},
    {"7777", {"Baby 2 Jones"}},
    {"0142 jo", {"Baby 2 Jones", "John Smith"}},
    {"014", {}},
    // Dates of birth, day before month.
    {"17/05/1980", {"John Smith", "Zoë Smithers-Lee"}},
    {"17.5.80", {"John Smith", "Zoë Smithers-Lee"}},
    {"1980-05-17", {"John Smith", "Zoë Smithers-Lee"}},
    {"29/2/24 jones", {"Baby 2 Jones"}},
    {"31.12.1990", {"José Núñez"}},
    {"05/17/1980", {}},
    // A number alone also finds that record, first.
    {"2", {"Anna Johnson", "Baby 2 Jones"}},
    {"6", {"Baby 2 Jones"}},
    {"1234", {"José Núñez", "Zoë Smithers-Lee"}},
    // Last-name matches before the others, each by last then first name.
    {"jo", {"Anna Johnson", "Baby 2 Jones", "Jo Ångström", "José Núñez", "John Smith"}},
    {"s", {"John Smith", "Zoë Smithers-Lee"}},
    // Nothing found.
    {"zzz", {}},
    {"john zzz", {}},
    {"---", {}},
    {"' OR 1=1 --", {}},
};

} // namespace

class SearchTest : public StoreTest
{
protected:
    void addClinic()
    {
        for (const Patient& p : kClinic)
            ASSERT_TRUE(PatientRecord().Add(p.first, p.last, p.dob, 0, "", p.telephone));
    }
};

ON_BOTH_ENGINES(SearchTest);

TEST_P(SearchTest, FindsWhatEachKindOfInputNames)
{
    addClinic();
    // The numbers the cases rely on.
    PatientNameList all;
    ASSERT_TRUE(all.FetchAll());
    ASSERT_EQ(all.m_ids.front(), "1");
    ASSERT_EQ(all.m_ids[5], "6");
    for (const Case& c : kCases)
        EXPECT_EQ(search(c.typed), c.found) << "typed: " << c.typed;
    // A whole page pasted in: the first words make the search.
    std::string pasted = "smi jo jo";
    for (int n = 0; n < 400; ++n)
        pasted += " w" + std::to_string(n);
    EXPECT_EQ(search(pasted), Strings{});
    EXPECT_EQ(search("john john john john"), search("john"));
}

TEST_P(SearchTest, KeysFollowEveryChangeToAPatient)
{
    addClinic();
    PatientRecord record;
    ASSERT_TRUE(record.Update("1", "Jon", "Smyth", DateTime::fromCivil(1981, 1, 1), 0, "", ""));
    EXPECT_EQ(search("john smith"), Strings{});
    EXPECT_EQ(search("smy jon"), Strings{"Jon Smyth"});
    EXPECT_EQ(search("0142"), Strings{"Baby 2 Jones"});
    EXPECT_EQ(search("1/1/1981"), Strings{"Jon Smyth"});

    PatientDetails loaded;
    ASSERT_TRUE(loaded.Fetch("2"));
    ASSERT_TRUE(record.UpdateUnlessChanged("2", loaded, "Anne", "Jonsson", loaded.m_dob, 0, "",
                                           "555 3333"));
    EXPECT_EQ(search("johnson"), Strings{});
    EXPECT_EQ(search("jonss"), Strings{"Anne Jonsson"});
    EXPECT_EQ(search("5553333"), Strings{"Anne Jonsson"});

    ASSERT_TRUE(record.DeleteWithRecords("6"));
    EXPECT_EQ(search("jones"), Strings{});
    EXPECT_EQ(search("6"), Strings{});
    EXPECT_EQ(count("search_words", "patient_ID = 6"), 0);
}

TEST_P(SearchTest, ShowsTheFirstFiveHundredAndCountsTheRest)
{
    PatientRecord record;
    const DateTime dob = DateTime::fromCivil(1970, 1, 1);
    for (int n = 1; n <= 503; ++n) {
        char last[16];
        std::snprintf(last, sizeof last, "Name%03d", 504 - n);
        ASSERT_TRUE(record.Add("Many", last, dob, 0, "", ""));
    }
    ASSERT_TRUE(record.Add("Other", "Person", dob, 0, "", ""));
    PatientNameList list;
    ASSERT_TRUE(list.Search("many"));
    EXPECT_EQ(list.m_found, 503);
    ASSERT_EQ(list.m_ids.size(), 500u);
    EXPECT_EQ(list.m_lastNames.front(), "Name001");
    EXPECT_EQ(list.m_lastNames.back(), "Name500");
    EXPECT_EQ(list.m_ids.front(), "503");
    PatientNameList byDate;
    ASSERT_TRUE(byDate.Search("1/1/1970"));
    EXPECT_EQ(byDate.m_found, 504);
    EXPECT_EQ(byDate.m_ids.size(), 500u);
}

// A file made before the search kept keys, as an old backup brings it back: its first use
// adds the tables and the keys, and it then looks as a new file does.
TEST(SearchUpgradeTest, AnOlderFileGetsItsKeysOnFirstUse)
{
    namespace fs = std::filesystem;
    const fs::path before = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("medora-upgrade-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    unsetenv("MEDORA_DATABASE");
    ASSERT_TRUE(makeOldRecordsFile(
        "clinic_db.mdb",
        "INSERT INTO patient_info (first_name, last_name, DOB, telephone) VALUES"
        " ('Renée', 'Dupré', '1980-05-17 00:00:00', '555-0142'),"
        " ('Old', 'Date', '2023-02-30 00:00:00', '')"));
    EXPECT_EQ(search("renee dupre"), Strings{"Renée Dupré"});
    EXPECT_EQ(search("5550142"), Strings{"Renée Dupré"});
    EXPECT_EQ(search("17.5.1980"), Strings{"Renée Dupré"});
    EXPECT_EQ(search("old"), Strings{"Old Date"});
    ASSERT_TRUE(PatientRecord().Add("New", "Comer", DateTime::fromCivil(2000, 1, 1), 0, "", ""));
    EXPECT_EQ(search("comer"), Strings{"New Comer"});

    const auto layout = [](const std::string& path) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        Strings rows;
        sqlite3_exec(
            db,
            "SELECT type || ' ' || name || ' ' || sql FROM sqlite_schema WHERE sql NOT NULL"
            " UNION ALL SELECT 'version ' || user_version FROM pragma_user_version ORDER BY 1",
            [](void* out, int, char** values, char**) {
                static_cast<Strings*>(out)->push_back(values[0]);
                return 0;
            },
            &rows, nullptr);
        sqlite3_close(db);
        // Written with IF NOT EXISTS by the upgrade, plainly by the schema.
        for (std::string& row : rows)
            if (const size_t at = row.find("IF NOT EXISTS "); at != std::string::npos)
                row.erase(at, 14);
        return rows;
    };
    EXPECT_EQ(layout("clinic_db.mdb"), layout(MEDORA_EMPTY_DB));
    fs::current_path(before);
    fs::remove_all(dir);
}

TEST(SearchKeyTest, FoldsCaseAndAccentsAndSplitsAtAnythingElse)
{
    const std::pair<const char*, Strings> cases[] = {
        {"José Núñez", {"jose", "nunez"}},
        {"O'Brien-SMITH", {"o", "brien", "smith"}},
        {"Straße Œuvre Łódź Ærø", {"strasse", "oeuvre", "lodz", "aero"}},
        {"Nguyễn Thị Ánh", {"nguyen", "thi", "anh"}},
        {"Jose\xcc\x81", {"jose"}},
        {"ΣΩΚΡΆΤΗΣ Σωκράτης", {"σωκρατησ", "σωκρατησ"}},
        {"ЁЛКИН Ёлкин", {"елкин", "елкин"}},
        {"مُحَمَّد أحمد", {"محمد", "احمد"}},
        {"王小明、李", {"王小明", "李"}},
        {"ジョン・スミス", {"ジョン", "スミス"}},
        {"a\xff" "b\xc3", {"a", "b"}},
        {"x×y÷z 12", {"x", "y", "z", "12"}},
        {"ＡＢＣ１２", {"abc12"}},
        {"", {}},
    };
    for (const auto& [text, words] : cases)
        EXPECT_EQ(SearchKey::words(text), words) << text;
    EXPECT_EQ(SearchKey::phoneTails("(555) 01-42 / 12"),
              (Strings{"5550142", "550142", "50142", "0142"}));
}

// Keys another program left wrong, each in a copy of the same records that the program then
// opens for the first time: every patient is found by what the row says, and the keys are
// those that a file given them anew would hold.
class StaleKeysTest : public TestDatabase
{
protected:
    // A copy of the records in a folder of its own, changed there by another program.
    void openChanged(const std::string& folder, const std::string& sql)
    {
        namespace fs = std::filesystem;
        fs::create_directory(m_dir / folder);
        fs::copy_file(m_dir / "clinic_db.mdb", m_dir / folder / "clinic_db.mdb");
        fs::current_path(m_dir / folder);
        query(sql);
    }

    Strings keys()
    {
        return query("SELECT kind, word, patient_ID, hex(sort_name) FROM search_words"
                     " ORDER BY kind, word, patient_ID");
    }
};

TEST_F(StaleKeysTest, KeysAnotherProgramLeftWrongAreMadeAgainOnOpening)
{
    ASSERT_TRUE(PatientRecord().Add("John", "Smith", DateTime::fromCivil(1980, 5, 17), 0, "",
                                    "555-0142"));
    ASSERT_TRUE(PatientRecord().Add("Anna", "Lee", DateTime::fromCivil(1975, 1, 2), 1, "", ""));
    ASSERT_TRUE(PatientRecord().Add("Bob", "Lee", DateTime::fromCivil(1975, 1, 2), 0, "", ""));
    const struct
    {
        const char* name;
        const char* sql;
        const char* typed;
        Strings found;
    } cases[] = {
        {"added_without_keys",
         "INSERT INTO patient_info (first_name, last_name, DOB) VALUES"
         " ('Zyxwv', 'Qrst', '1990-03-14 00:00:00')",
         "zyxwv", {"Zyxwv Qrst"}},
        {"renamed", "UPDATE patient_info SET last_name = 'Zyxwv' WHERE ID = 1", "zyxwv",
         {"John Zyxwv"}},
        {"renamed_old_name_gone", "UPDATE patient_info SET last_name = 'Zyxwv' WHERE ID = 1",
         "smith", {}},
        {"keys_deleted", "DELETE FROM search_words WHERE patient_ID = 1", "5550142",
         {"John Smith"}},
        {"every_key_deleted", "DELETE FROM search_words", "lee", {"Anna Lee", "Bob Lee"}},
        {"patient_deleted_keys_left", "DELETE FROM patient_info WHERE ID = 2", "lee",
         {"Bob Lee"}},
        {"sort_name_changed",
         "UPDATE search_words SET sort_name = char(1) WHERE patient_ID = 3", "lee",
         {"Anna Lee", "Bob Lee"}},
        {"key_of_no_one_added",
         "INSERT INTO search_words VALUES ('smithson', 1, 99, 'smithson')", "smith",
         {"John Smith"}},
    };
    for (const auto& c : cases) {
        openChanged(c.name, c.sql);
        EXPECT_EQ(search(c.typed), c.found) << c.name;
        const Strings repaired = keys();
        openChanged(std::string(c.name) + "_anew",
                    std::string(c.sql) + "; PRAGMA user_version = 0");
        EXPECT_EQ(search(c.typed), c.found) << c.name;
        EXPECT_EQ(repaired, keys()) << c.name;
    }
}
