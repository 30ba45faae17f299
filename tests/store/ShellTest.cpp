#include "TestDatabase.h"

#include "store/store.h"

#include <cctype>
#include <cstdio>

namespace {

std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

} // namespace

class ShellTest : public StoreTest
{
protected:
    // The engine's own shell, printing a header and then each row with '|' between columns.
    std::string shell()
    {
        if (onServer())
            return std::string(MEDORA_PSQL) + " -X -A -P footer=off \"" +
                   serverConnection("postgres") + "\" -c ";
        return std::string(MEDORA_SQLITE3_SHELL) + " -header clinic_db.mdb ";
    }
    // PostgreSQL folds the names of columns to lower case.
    std::string named(std::string header)
    {
        if (onServer())
            for (char& c : header)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return header;
    }
};

ON_BOTH_ENGINES(ShellTest);

// Other clients read the records: columns in their documented order, dates as text.
TEST_P(ShellTest, ShellListsVisitColumnsInOrder)
{
    const std::string patient = addPatient("José Ñúñez", "李小龍");
    ASSERT_TRUE(ComplaintRecord().Add(patient, DateTime::fromCivil(2026, 12, 7, 10, 30),
                                      std::vector<std::string>(21, "محمد")));
    const std::string rows = run(shell() + "'SELECT * FROM complaints'");
    std::string expected = named("compl_ID|patient_ID|date|complaint|temp|bp|RR|pulse|height|"
                                 "weight|eyes|HEENT|respiratory|cardiovascular|GIT|genitourinary|"
                                 "endocrine|musculoskeletal|hema_lymph|dermatology|psycho_neuro|"
                                 "other|diagnosis|treatment") +
                           "\n1|" + patient + "|2026-12-07 10:30:00";
    for (int i = 0; i < 21; ++i)
        expected += "|محمد";
    EXPECT_EQ(rows, expected + "\n");
    EXPECT_EQ(run(shell() + "'SELECT * FROM patient_info'"),
              named("ID|first_name|last_name|DOB|Gender|address|telephone") + "\n" + patient +
                  "|José Ñúñez|李小龍|1980-05-17 00:00:00|1|1 Main St\nSpringfield|555-0101\n");
}

// The supplied file is what the schema makes when fed to the shell by hand.
TEST_P(ShellTest, BuiltDatabaseIsTheSchema)
{
    if (onServer())
        GTEST_SKIP() << "medora-admin makes the server's tables; ServerSetupTest checks them";
    const std::string shell = MEDORA_SQLITE3_SHELL;
    run(shell + " by-hand.mdb < '" MEDORA_SCHEMA_SQL "'");
    const std::string dump = " '.schema' 'SELECT * FROM clinic_info'";
    const std::string built = run(shell + " clinic_db.mdb" + dump);
    EXPECT_NE(built.find("CREATE INDEX complaints_patient"), std::string::npos);
    EXPECT_EQ(run(shell + " by-hand.mdb" + dump), built);
}
