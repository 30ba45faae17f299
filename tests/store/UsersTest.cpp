// The records file's users: who may sign in, the wait after wrong passwords, the rules that keep
// an administrator, and what each role may ask of the store.
#include "TestDatabase.h"

#include "store/ClinicSettings.h"
#include "store/FileUsers.h"
#include "store/LastFailure.h"
#include "store/Session.h"
#include "store/store.h"

#include <sodium.h>

#include <cstdio>
#include <functional>

namespace {

const std::string kRight = "correct horse battery";

class UsersTest : public TestDatabase
{
protected:
    void SetUp() override
    {
        TestDatabase::SetUp();
        ASSERT_EQ(FileUsers::any(), false);
        add("amina", UserRole::Administrator);
        add("ben", UserRole::Clinician);
        add("cara", UserRole::Reception);
    }
    void TearDown() override
    {
        Session::signOut();
        TestDatabase::TearDown();
    }

    void add(const std::string& name, UserRole role)
    {
        ASSERT_TRUE(users.add({name, "Full " + name, role}, kRight)) << users.failure();
    }

    FileUsers users;
};

struct SignInCase {
    const char* what;
    std::function<void(FileUsers&)> before;
    std::string name;
    std::string password;
    SignInOutcome outcome;
};

class SignInTest : public UsersTest, public ::testing::WithParamInterface<SignInCase>
{
};

const SignInCase kSignIns[] = {
    {"right", {}, "ben", kRight, SignInOutcome::SignedIn},
    {"wrong password", {}, "ben", "correct horse battery!", SignInOutcome::WrongNameOrPassword},
    {"names are as typed", {}, "Ben", kRight, SignInOutcome::WrongNameOrPassword},
    {"no such user", {}, "zed", kRight, SignInOutcome::WrongNameOrPassword},
    {"disabled", [](FileUsers& u) { u.setDisabled("ben", true); }, "ben", kRight,
     SignInOutcome::Disabled},
    {"disabled, wrong password", [](FileUsers& u) { u.setDisabled("ben", true); }, "ben",
     "not the password", SignInOutcome::WrongNameOrPassword},
    {"enabled again", [](FileUsers& u) {
         u.setDisabled("ben", true);
         u.setDisabled("ben", false);
     },
     "ben", kRight, SignInOutcome::SignedIn},
    {"password set by an administrator",
     [](FileUsers& u) { u.resetPassword("ben", "a new one for ben"); }, "ben",
     "a new one for ben", SignInOutcome::MustChangePassword},
    {"old password after a reset", [](FileUsers& u) { u.resetPassword("ben", "a new one for ben"); },
     "ben", kRight, SignInOutcome::WrongNameOrPassword},
};

INSTANTIATE_TEST_SUITE_P(Users, SignInTest, ::testing::ValuesIn(kSignIns),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST_P(SignInTest, EndsAsExpected)
{
    if (GetParam().before)
        GetParam().before(users);
    const SignInResult result = users.signIn(GetParam().name, GetParam().password);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    if (result.outcome == SignInOutcome::SignedIn)
        EXPECT_EQ(result.user.role, UserRole::Clinician);
}

// A name, whether a user's or not, waits after five wrong passwords in a row, and nobody
// learns from the wait which names are users'.
TEST_F(UsersTest, FiveWrongPasswordsMakeTheNameWaitHalfAMinute)
{
    const std::time_t now = 1'500'000'000; // past, so the waits are over for the other tests
    for (const std::string name : {"ben", "zed"}) {
        for (int i = 0; i < FileUsers::triesBeforeWait; ++i)
            EXPECT_EQ(users.signIn(name, "wrong " + std::to_string(i), now).outcome,
                      SignInOutcome::WrongNameOrPassword);
        const SignInResult waiting = users.signIn(name, kRight, now + 10);
        EXPECT_EQ(waiting.outcome, SignInOutcome::MustWait) << name;
        EXPECT_EQ(waiting.waitSeconds, FileUsers::waitSeconds - 10);
    }
    EXPECT_EQ(users.signIn("amina", kRight, now + 10).outcome, SignInOutcome::SignedIn)
        << "another name does not wait";
    EXPECT_EQ(users.signIn("ben", kRight, now + FileUsers::waitSeconds).outcome,
              SignInOutcome::SignedIn);
    // Four wrong tries and a right one start the count again.
    for (int i = 0; i < FileUsers::triesBeforeWait - 1; ++i)
        users.signIn("ben", "wrong", now + 40);
    EXPECT_EQ(users.signIn("ben", kRight, now + 40).outcome, SignInOutcome::SignedIn);
    EXPECT_EQ(users.signIn("ben", "wrong", now + 40).outcome, SignInOutcome::WrongNameOrPassword);
    EXPECT_EQ(users.signIn("ben", kRight, now + 40).outcome, SignInOutcome::SignedIn);
}

TEST_F(UsersTest, RulesForNamesPasswordsAndTheLastAdministrator)
{
    struct Refused {
        std::function<bool()> change;
        std::string why;
    };
    const Refused refusals[] = {
        {[&] { return users.add({"ben", "", UserRole::Clinician}, kRight); },
         "The user ben exists already."},
        {[&] { return users.add({"dan", "", UserRole::Clinician}, "short one"); },
         "The password must have at least 10 characters."},
        {[&] { return users.add({"dan.o-k_12", "", UserRole::Clinician}, "dan.o-k_12"); },
         "The password must not be the user name."},
        {[&] { return users.add({"dan o'k", "", UserRole::Clinician}, kRight); },
         "The user name \"dan o'k\" may hold only letters, digits, '.', '_' and '-'."},
        {[&] { return users.setDisabled("amina", true); },
         "The last enabled administrator cannot be disabled."},
        {[&] { return users.setRole("amina", UserRole::Clinician); },
         "The last enabled administrator cannot be given another role."},
        {[&] { return users.setRole("nobody", UserRole::Clinician); }, "There is no user nobody."},
        {[&] { return users.changePassword("ben", kRight, kRight); },
         "The new password must not be the old one."},
        {[&] { return users.changePassword("ben", "not the old one", "a new one for ben"); },
         "The user name or password is not right."},
    };
    for (const Refused& refused : refusals) {
        const std::string before = snapshot();
        EXPECT_FALSE(refused.change()) << refused.why;
        EXPECT_EQ(users.failure(), refused.why);
        EXPECT_EQ(snapshot(), before) << refused.why;
    }
    // Characters count, not bytes: ten letters of another script make a password.
    EXPECT_TRUE(users.add({"dan", "", UserRole::Clinician}, "ΑΒΓΔΕΖΗΘΙΚ")) << users.failure();
    // With a second administrator, the first may step down.
    ASSERT_TRUE(users.setRole("ben", UserRole::Administrator));
    EXPECT_TRUE(users.setRole("amina", UserRole::Clinician)) << users.failure();
    EXPECT_FALSE(users.setDisabled("ben", true));

    ASSERT_TRUE(users.resetPassword("cara", "set by ben 2026"));
    EXPECT_TRUE(users.changePassword("cara", "set by ben 2026", "cara's own words"));
    EXPECT_EQ(users.signIn("cara", "cara's own words").outcome, SignInOutcome::SignedIn);
    const auto listed = users.list();
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 4u);
    EXPECT_EQ((*listed)[0].name, "amina");
    EXPECT_EQ((*listed)[0].role, UserRole::Clinician);
    EXPECT_EQ((*listed)[0].fullName, "Full amina");
}

TEST_F(UsersTest, TheFirstUserIsAnAdministrator)
{
    resetRecords();
    FileUsers fresh;
    EXPECT_FALSE(fresh.add({"ben", "", UserRole::Clinician}, kRight));
    EXPECT_EQ(fresh.failure(), "The first user must be an administrator.");
    EXPECT_EQ(FileUsers::any(), false);
    EXPECT_TRUE(fresh.add({"amina", "", UserRole::Administrator}, kRight));
    EXPECT_EQ(FileUsers::any(), true);
}

// A hash made at lower limits than Medora's is made again at them when its user signs in.
TEST_F(UsersTest, AWeakerHashIsMadeAgainAtSignIn)
{
    char weak[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(weak, kRight.data(), kRight.size(), crypto_pwhash_OPSLIMIT_MIN,
                                crypto_pwhash_MEMLIMIT_MIN),
              0);
    query("UPDATE users SET password_hash = '" + std::string(weak) + "' WHERE name = 'ben'");
    EXPECT_EQ(users.signIn("ben", kRight).outcome, SignInOutcome::SignedIn);
    const std::string stored = query("SELECT password_hash FROM users WHERE name = 'ben'").at(0);
    EXPECT_NE(stored, weak);
    EXPECT_EQ(crypto_pwhash_str_needs_rehash(stored.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                             crypto_pwhash_MEMLIMIT_INTERACTIVE),
              0);
    EXPECT_EQ(stored.rfind("$argon2id$", 0), 0u);
}

// What each role may ask of the store, whatever a screen offers.
TEST_F(UsersTest, TheStoreRefusesWhatTheRoleMayNotDo)
{
    const std::string patient = addPatient();
    ComplaintRecord visit;
    ASSERT_TRUE(visit.Add(patient, DateTime::currentLocal(), std::vector<std::string>(21)));
    struct Operation {
        const char* what;
        bool care; // else administration
        std::function<bool()> run;
    };
    const Operation operations[] = {
        {"list visits", true, [&] { return ComplaintList().Fetch(patient); }},
        {"add a visit", true,
         [&] {
             return ComplaintRecord().Add(patient, DateTime::currentLocal(),
                                          std::vector<std::string>(21));
         }},
        {"read histories", true, [&] { return HistoryEntryList().Fetch(patient, "Medical"); }},
        {"add a history entry", true,
         [&] { return HistoryEntryRecord().Add(patient, "Medical", "asthma"); }},
        {"read medications", true, [&] { return PatientMedicationList().Fetch(patient); }},
        {"read tests", true, [&] { return TestList().Fetch(patient); }},
        {"read the whole record", true, [&] { return WholeRecord().Fetch(patient); }},
        {"delete the patient", true, [&] { return PatientRecord().DeleteWithRecords(patient); }},
        {"save the clinic's details", false,
         [&] { return ClinicInfo().Save("Clinic", "Dr", "MD", "1", "St", "City", "P", "X"); }},
    };
    for (const UserRole role : {UserRole::Reception, UserRole::Clinician, UserRole::Administrator}) {
        for (const Operation& operation : operations) {
            resetRecords();
            const std::string again = addPatient();
            ASSERT_EQ(again, patient);
            ComplaintRecord().Add(patient, DateTime::currentLocal(), std::vector<std::string>(21));
            Session::signIn({"someone", "", role});
            const bool allowed = operation.care ? role != UserRole::Reception
                                                : role == UserRole::Administrator;
            EXPECT_EQ(operation.run(), allowed) << operation.what << " as " << roleName(role);
            if (!allowed)
                EXPECT_EQ(LastFailure::kind(), FailureKind::NotAllowed) << operation.what;
            Session::signOut();
        }
    }
    // Reception keeps the patients' particulars.
    Session::signIn({"cara", "", UserRole::Reception});
    EXPECT_FALSE(addPatient("Cy", "Reed").empty());
}

// medora-admin's users command on the data folder's records file, passwords from standard input.
TEST_F(UsersTest, MedoraAdminManagesTheFilesUsers)
{
    const auto admin = [&](const std::string& arguments, const std::string& input = "") {
        const std::string command = "printf '" + input + "' | env -u MEDORA_DATABASE MEDORA_DATA_DIR=" +
                                    m_dir.string() + " " MEDORA_ADMIN " " + arguments +
                                    " >out.txt 2>err.txt";
        return WEXITSTATUS(std::system(command.c_str()));
    };
    const auto said = [&](const char* file) {
        std::FILE* in = std::fopen(file, "r");
        std::string text;
        for (int c; in && (c = std::fgetc(in)) != EOF;)
            text += static_cast<char>(c);
        if (in)
            std::fclose(in);
        return text;
    };
    EXPECT_EQ(admin("users add dora --role clinician --full-name 'Dora Diaz'", "dora the doctor\\n"), 0)
        << said("err.txt");
    EXPECT_EQ(users.signIn("dora", "dora the doctor").outcome, SignInOutcome::SignedIn);
    EXPECT_EQ(admin("users reset-password dora", "a fresh one here\\n"), 0);
    EXPECT_EQ(users.signIn("dora", "a fresh one here").outcome, SignInOutcome::MustChangePassword);
    EXPECT_EQ(admin("users set-role dora reception"), 0);
    EXPECT_EQ(admin("users disable ben"), 0);
    EXPECT_EQ(admin("users list"), 0);
    EXPECT_NE(said("out.txt").find("dora                 reception     enabled, must change password  Dora Diaz"),
              std::string::npos)
        << said("out.txt");
    EXPECT_NE(said("out.txt").find("ben                  clinician     disabled"), std::string::npos);

    EXPECT_EQ(admin("users disable amina"), 1);
    EXPECT_EQ(said("err.txt"), "medora-admin: The last enabled administrator cannot be disabled. "
                               "Nothing was changed.\n");
    EXPECT_EQ(admin("users add eve --role nurse", "eve the nurse here\\n"), 1);
    EXPECT_EQ(admin("users add eve --role clinician"), 1) << "no password given";
    EXPECT_EQ(admin("users add eve"), 2);
    EXPECT_EQ(count("users", "name = 'eve'"), 0);

    EXPECT_EQ(admin("lock-after 121"), 1);
    EXPECT_EQ(admin("lock-after 3"), 0) << said("err.txt");
    EXPECT_EQ(ClinicSettings::lockMinutes(), 3);
}

} // namespace
