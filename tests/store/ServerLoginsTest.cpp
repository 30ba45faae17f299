#include "records/ServerLogins.h"
#include "store/ServerAccount.h"
#include "tools/ServerSetup.h"

#include <libpq-fe.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;

} // namespace

// The users of the server's records, each a login in one of Medora's groups, and what each
// group may do. Logins belong to the whole server, not to one database, so each test starts a
// server of its own, where "desk" and "keyholder" are administrators and "stranger" is in no
// group.
class ServerLoginsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        s_state =
            std::filesystem::temp_directory_path() / ("medora-logins-" + std::to_string(getpid()));
        const std::string line = MEDORA_TEST_SERVER_SCRIPT " start " + s_state.string() +
                                 " " MEDORA_ADMIN;
        ASSERT_EQ(std::system(line.c_str()), 0) << line;
        std::getline(std::ifstream(s_state), s_folder);
        ASSERT_FALSE(s_folder.empty()) << "the test server did not start";
        // The test server asks for their password from the logins that reach this database.
        sql("postgres", "CREATE DATABASE medora_signin");
    }

    void TearDown() override
    {
        const std::string line = MEDORA_TEST_SERVER_SCRIPT " stop " + s_state.string();
        std::system(line.c_str());
    }

    static std::string records(const std::string& user)
    {
        return "host=" + s_folder + " dbname=medora_tests user=" + user;
    }

    static Connection connect(const std::string& user)
    {
        return Connection(PQconnectdb(records(user).c_str()), &PQfinish);
    }

    // Runs the statement as the login, in a transaction that is then undone; whether the
    // server did it.
    static bool runs(const std::string& user, const std::string& statement)
    {
        const Connection conn = connect(user);
        PQclear(PQexec(conn.get(), "BEGIN"));
        PGresult* result = PQexec(conn.get(), statement.c_str());
        const ExecStatusType status = PQresultStatus(result);
        PQclear(result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }

    // Runs the statement as the login; its rows, each row's columns joined with '|'.
    static Strings sql(const std::string& user, const std::string& statement)
    {
        const Connection conn = connect(user);
        PGresult* result = PQexec(conn.get(), statement.c_str());
        const ExecStatusType status = PQresultStatus(result);
        EXPECT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            << statement << ": " << PQresultErrorMessage(result);
        Strings rows;
        for (int r = 0; status == PGRES_TUPLES_OK && r < PQntuples(result); ++r) {
            std::string row;
            for (int c = 0; c < PQnfields(result); ++c)
                row += (c ? "|" : "") + std::string(PQgetvalue(result, r, c));
            rows.push_back(row);
        }
        PQclear(result);
        return rows;
    }

    static bool signsIn(const std::string& user, const std::string& password)
    {
        const std::string host = s_folder;
        const char* const keywords[] = {"host", "dbname", "user", "password", nullptr};
        const char* const values[] = {host.c_str(), "medora_signin", user.c_str(),
                                      password.c_str(), nullptr};
        const Connection conn(PQconnectdbParams(keywords, values, 0), &PQfinish);
        return PQstatus(conn.get()) == CONNECTION_OK;
    }

    static std::optional<UserAccount> listed(ServerLogins& logins, const std::string& name)
    {
        const auto users = logins.list();
        if (!users)
            return std::nullopt;
        const auto found = std::find_if(users->begin(), users->end(),
                                        [&](const UserAccount& user) { return user.name == name; });
        return found == users->end() ? std::nullopt : std::optional(*found);
    }

    static std::string verifierOf(const std::string& user, const std::string& password)
    {
        const Connection conn = connect("postgres");
        char* made = PQencryptPasswordConn(conn.get(), password.c_str(), user.c_str(),
                                           "scram-sha-256");
        const std::string text = made != nullptr ? made : "";
        PQfreemem(made);
        return text;
    }

    static inline std::filesystem::path s_state;
    static inline std::string s_folder;
};

// Reception finds and registers patients but has no right at all on their care; a clinician
// has; only an administrator keeps the clinic's details and looks after the logins.
TEST_F(ServerLoginsTest, EachGroupMayDoWhatItsRoleNeedsAndNoMore)
{
    sql("postgres", "CREATE ROLE front LOGIN IN ROLE medora_reception");
    sql("postgres", "CREATE ROLE doctor LOGIN IN ROLE medora_clinician");
    struct Case
    {
        std::string statement;
        bool reception, clinician, administrator;
    };
    std::vector<Case> cases = {
        {"SELECT * FROM patient_info", true, true, true},
        {"INSERT INTO patient_info (first_name, DOB) VALUES ('Ann', '1980-01-02')", true, true,
         true},
        {"DELETE FROM search_words", true, true, true},
        {"SELECT name FROM meds_list", true, true, true},
        {"INSERT INTO meds_list (name) VALUES ('ASPIRIN')", false, true, true},
        {"DELETE FROM tests_list", false, true, true},
        {"SELECT * FROM clinic_info", true, true, true},
        {"UPDATE clinic_info SET clinic_name = 'Sunrise'", false, false, true},
        {"SELECT * FROM medora_users()", true, true, true},
        {"INSERT INTO medora_password_change VALUES ('front')", false, false, false},
        {"SELECT medora_set_user_enabled('front', true)", false, false, true},
        {"SELECT medora_set_user_role('doctor', 'medora_clinician')", false, false, true},
        {"SELECT * FROM audit_trail", false, false, true},
        {"DELETE FROM audit_trail", false, false, false},
    };
    for (const char* care : {"complaints", "history_entries", "patient_medications", "tests"})
        for (const std::string& statement :
             {"SELECT * FROM " + std::string(care),
              "INSERT INTO " + std::string(care) + " (patient_ID) SELECT 1 WHERE false",
              "DELETE FROM " + std::string(care)})
            cases.push_back({statement, false, true, true});

    for (const Case& c : cases) {
        EXPECT_EQ(runs("front", c.statement), c.reception) << "reception: " << c.statement;
        EXPECT_EQ(runs("doctor", c.statement), c.clinician) << "clinician: " << c.statement;
        EXPECT_EQ(runs("desk", c.statement), c.administrator) << "administrator: " << c.statement;
    }
    EXPECT_EQ(sql("postgres", "SELECT rolname FROM pg_roles WHERE rolname LIKE 'medora\\_%'"
                              " AND NOT rolcanlogin ORDER BY 1"),
              (Strings{"medora_admin", "medora_auditor", "medora_clinician", "medora_desk",
                       "medora_reception"}));
    ServerSetup checking(records("postgres"));
    EXPECT_TRUE(checking.check()) << ::testing::PrintToString(checking.problems());
}

// An administrator adds, lists, disables and enables a user, gives it another role and sets
// its password, which the user changes at its next sign-in.
TEST_F(ServerLoginsTest, AnAdministratorLooksAfterTheUsers)
{
    ServerLogins admin(records("desk"));
    ASSERT_TRUE(admin.add({"ann", "Ann Lee", UserRole::Clinician}, "first password"))
        << admin.failure();
    auto ann = listed(admin, "ann");
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->fullName, "Ann Lee");
    EXPECT_EQ(ann->role, UserRole::Clinician);
    EXPECT_FALSE(ann->disabled);
    EXPECT_FALSE(ann->mustChangePassword);
    EXPECT_EQ(listed(admin, "desk").value_or(UserAccount{}).role, UserRole::Administrator);
    for (const char* outside : {"postgres", "stranger", "medora_admin", "medora_clinician"})
        EXPECT_FALSE(listed(admin, outside)) << outside;
    EXPECT_TRUE(signsIn("ann", "first password"));
    EXPECT_FALSE(signsIn("ann", "first passwork"));
    EXPECT_EQ(sql("postgres", "SELECT left(rolpassword, 14) FROM pg_authid WHERE rolname = 'ann'"),
              Strings{"SCRAM-SHA-256$"});

    EXPECT_FALSE(admin.add({"ann", "", UserRole::Reception}, "other password"));
    EXPECT_EQ(admin.failure(), "The user ann exists already.");
    EXPECT_FALSE(admin.setRole("nobody", UserRole::Clinician));
    EXPECT_EQ(admin.failure(), "There is no user nobody.");

    ASSERT_TRUE(admin.setRole("ann", UserRole::Reception)) << admin.failure();
    EXPECT_EQ(listed(admin, "ann").value_or(UserAccount{}).role, UserRole::Reception);
    EXPECT_FALSE(runs("ann", "SELECT * FROM complaints"));

    ASSERT_TRUE(admin.setDisabled("ann", true)) << admin.failure();
    EXPECT_TRUE(listed(admin, "ann").value_or(UserAccount{}).disabled);
    EXPECT_FALSE(signsIn("ann", "first password"));
    ASSERT_TRUE(admin.setDisabled("ann", false)) << admin.failure();
    EXPECT_TRUE(signsIn("ann", "first password"));

    ASSERT_TRUE(admin.resetPassword("ann", "second password")) << admin.failure();
    EXPECT_TRUE(listed(admin, "ann").value_or(UserAccount{}).mustChangePassword);
    EXPECT_FALSE(signsIn("ann", "first password"));
    EXPECT_TRUE(signsIn("ann", "second password"));

    const Connection annsDesk = connect("ann");
    ann = ServerLogins::whoAmI(annsDesk.get());
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->name, "ann");
    EXPECT_EQ(ann->role, UserRole::Reception);
    EXPECT_TRUE(ann->mustChangePassword);
    ServerLogins annAsUser(records("ann"));
    EXPECT_FALSE(annAsUser.setRole("ann", UserRole::Administrator));
    EXPECT_EQ(annAsUser.failure(), "Only an administrator may manage users.");
    EXPECT_FALSE(annAsUser.changeOwnPassword("short"));
    ASSERT_TRUE(annAsUser.changeOwnPassword("third password")) << annAsUser.failure();
    EXPECT_FALSE(ServerLogins::whoAmI(annsDesk.get()).value_or(UserAccount{}).mustChangePassword);
    EXPECT_TRUE(signsIn("ann", "third password"));
    EXPECT_FALSE(ServerLogins::whoAmI(connect("stranger").get()));

    // The program takes the role of the login it works with from the same groups.
    for (const auto& [login, role] : {std::pair{"ann", std::optional(UserRole::Reception)},
                                      {"desk", std::optional(UserRole::Administrator)},
                                      {"stranger", std::optional<UserRole>()}}) {
        setenv("MEDORA_DATABASE", records(login).c_str(), 1);
        const auto account = ServerAccount::signedIn();
        EXPECT_EQ(account ? std::optional(account->role) : std::nullopt, role) << login;
    }
    unsetenv("MEDORA_DATABASE");
}

// However the administrators change, one of them can still sign in.
TEST_F(ServerLoginsTest, TheLastEnabledAdministratorStays)
{
    ServerLogins admin(records("postgres"));
    const std::string last = "The last enabled administrator cannot be disabled or given another role.";
    const struct
    {
        std::function<bool()> change;
        const char* what;
        bool done;
    } steps[] = {
        {[&] { return admin.setDisabled("keyholder", true); }, "disable keyholder", true},
        {[&] { return admin.setDisabled("desk", true); }, "disable desk", false},
        {[&] { return admin.setRole("desk", UserRole::Clinician); }, "desk a clinician", false},
        {[&] { return admin.setRole("desk", UserRole::Administrator); }, "desk again", true},
        {[&] { return admin.add({"second", "", UserRole::Administrator}, "second password"); },
         "add second", true},
        {[&] { return admin.setRole("desk", UserRole::Reception); }, "desk reception", true},
        {[&] { return admin.setDisabled("second", true); }, "disable second", false},
        {[&] { return admin.setDisabled("keyholder", false); }, "enable keyholder", true},
        {[&] { return admin.setDisabled("second", true); }, "disable second again", true},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(step.change(), step.done) << step.what << ": " << admin.failure();
        if (!step.done) {
            EXPECT_EQ(admin.failure(), last) << step.what;
        }
    }
    EXPECT_EQ(sql("postgres", "SELECT login FROM medora_users() WHERE grp = 'medora_admin'"
                              " AND enabled"),
              Strings{"keyholder"});
}

// The functions take only verifiers, and touch only the logins in Medora's groups: not the
// records' owner, a superuser, a group or a role outside Medora's.
TEST_F(ServerLoginsTest, TheFunctionsRefuseWhatIsNotTheirs)
{
    sql("postgres", "CREATE ROLE boss SUPERUSER LOGIN IN ROLE medora_admin");
    sql("postgres", "CREATE ROLE helpers NOLOGIN IN ROLE medora_clinician");
    sql("postgres", "CREATE ROLE helper LOGIN IN ROLE helpers");
    const std::string verifier = "'" + verifierOf("keyholder", "long enough password") + "'";
    const Strings refused = {
        "SELECT medora_reset_password('keyholder', 'long enough password')",
        "SELECT medora_reset_password('keyholder', 'SCRAM-SHA-256$clear text')",
        "SELECT medora_add_user('newcomer', 'medora_clinician', 'clear text', '', false)",
        "SELECT medora_change_own_password('long enough password')",
        "SELECT medora_add_user('newcomer', 'medora_desk', " + verifier + ", '', false)",
        "SELECT medora_add_user('newcomer', 'pg_read_all_data', " + verifier + ", '', false)",
        "SELECT medora_add_user('stranger', 'medora_clinician', " + verifier + ", '', false)",
        "SELECT medora_set_user_enabled('stranger', false)",
        "SELECT medora_set_user_role('stranger', 'medora_admin')",
        "SELECT medora_reset_password('postgres', " + verifier + ")",
        "SELECT medora_set_user_enabled('postgres', false)",
        "SELECT medora_set_user_enabled('boss', false)",
        "SELECT medora_set_user_enabled('helpers', true)",
        "SELECT medora_set_user_role('medora_admin', 'medora_reception')",
        "SELECT medora_set_user_role('medora_clinician', 'medora_admin')",
        "SELECT medora_set_user_role('desk', 'pg_read_all_data')",
    };
    for (const std::string& statement : refused)
        EXPECT_FALSE(runs("desk", statement)) << statement;
    sql("desk", "SELECT medora_reset_password('keyholder', " + verifier + ")");
    EXPECT_TRUE(signsIn("keyholder", "long enough password"));
}

// The logins of an earlier version, members of medora_desk alone, could do everything: an
// upgrade makes them administrators, says how many, and gives medora_desk its rights again.
TEST_F(ServerLoginsTest, UpgradeMakesAdministratorsOfTheDesksLoginsAlone)
{
    sql("postgres", "CREATE ROLE frontdesk LOGIN IN ROLE medora_desk");
    sql("postgres", "CREATE ROLE drsmith LOGIN IN ROLE medora_desk");
    sql("postgres", "CREATE ROLE nurses NOLOGIN IN ROLE medora_desk");
    sql("postgres", "GRANT ALL ON complaints TO medora_desk");
    sql("postgres", "DROP TABLE medora_password_change");
    sql("postgres", "DROP FUNCTION medora_add_user(text, text, text, text, boolean)");
    EXPECT_FALSE(ServerSetup(records("postgres")).check());

    for (int run = 0; run < 2; ++run) {
        ServerSetup upgrading(records("postgres"));
        ASSERT_TRUE(upgrading.upgrade()) << ::testing::PrintToString(upgrading.problems());
        EXPECT_EQ(upgrading.notes(),
                  run == 0 ? Strings{"2 logins that were members of medora_desk alone are now in "
                                     "the role administrator: give each the role it should have "
                                     "with medora-admin users set-role NAME ROLE."}
                           : Strings{});
        ServerSetup checking(records("postgres"));
        EXPECT_TRUE(checking.check()) << ::testing::PrintToString(checking.problems());
    }
    EXPECT_EQ(sql("postgres", "SELECT login FROM medora_users() WHERE grp = 'medora_admin'"
                              " ORDER BY 1"),
              (Strings{"desk", "drsmith", "frontdesk", "keyholder"}));
    EXPECT_EQ(sql("postgres", "SELECT pg_has_role('nurses', 'medora_admin', 'MEMBER')"),
              Strings{"f"});
    ServerLogins admin(records("frontdesk"));
    EXPECT_TRUE(admin.setRole("frontdesk", UserRole::Reception)) << admin.failure();
}
