#include "app/SignInDialog.h"

#include "app/ChangePasswordDialog.h"
#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "records/ServerLogins.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AccessNote.h"
#include "store/ConnectionString.h"
#include "store/Engine.h"
#include "store/FileUsers.h"
#include "store/LastFailure.h"
#include "store/ServerAccount.h"
#include "store/Session.h"

namespace {

constexpr const char* kNotRight = "The user name or password is not right.";
constexpr const char* kDisabled =
    "This user may no longer sign in. Ask an administrator of the clinic.";

std::string unreadableUsers() {
    const std::string why = LastFailure::message();
    return "The users of these records could not be read, so nobody can sign in now." +
           (why.empty() ? std::string() : " " + why);
}

// The server tells a login that may no longer sign in only once its password was right.
bool loginDisabled() {
    return LastFailure::kind() == FailureKind::LoginDisabled;
}

bool wrongNameOrPassword() {
    return LastFailure::kind() == FailureKind::ServerPasswordNeeded ||
           LastFailure::kind() == FailureKind::LoginUnknown;
}

// A server that cannot be reached (or holds no records this program can use) asks nobody to
// sign in: every task then says what is wrong, and File › Connect… tries again.
bool serverAsksWhoIsThere(const std::string& server) {
    return Engine::testServer(server) || wrongNameOrPassword() || loginDisabled();
}

std::string serverPrompt(const std::string& server) {
    const auto parsed = ConnectionString::parse(server);
    return "Sign in to the records on " + (parsed ? parsed->place() : "the clinic server") +
           ". Leave the password empty when ~/.pgpass holds it.";
}

} // namespace

SignInDialog::SignInDialog(QWidget* parent)
    : Dialog(kSignInForm, parent), server(Engine::serverConnection()) {
    if (!server.empty()) {
        prompt = serverPrompt(server);
        name = Engine::serverLogin();
    }
}

void SignInDialog::DoDataExchange(DataExchange& dx) {
    if (!prompt.empty())
        dx.text(IDC_SIGN_IN_PROMPT, prompt);
    dx.text(IDC_SIGN_IN_NAME, name);
    dx.text(IDC_SIGN_IN_PASSWORD, password);
}

SignInDialog::Result SignInDialog::signIn(QWidget* owner) {
    Session::signOut();
    Engine::setServerLogin("");
    const std::string server = Engine::serverConnection();
    // Records whose users cannot be read (none there yet, or a damaged file the program offers
    // to rescue) guard nothing a sign-in could: whoever can make the file unreadable can read
    // it as well.
    const bool asks = server.empty() ? FileUsers::any() == true : serverAsksWhoIsThere(server);
    if (!asks)
        return Result::NotAsked;
    return SignInDialog(owner).DoModal() == IDOK ? Result::SignedIn : Result::Exit;
}

bool SignInDialog::passwordRight(const std::string& password) {
    const auto user = Session::user();
    if (!user)
        return false;
    if (const std::string server = Engine::serverConnection(); !server.empty())
        return !password.empty() && Engine::testServer(server, password);
    const SignInOutcome outcome = FileUsers().signIn(user->name, password).outcome;
    return outcome == SignInOutcome::SignedIn || outcome == SignInOutcome::MustChangePassword;
}

void SignInDialog::tryAgain(const std::string& why) {
    MessageBox(this, why, "Error", MsgIcon::Stop);
    password.clear();
    UpdateData(false);
    controlWidget(name.empty() ? IDC_SIGN_IN_NAME : IDC_SIGN_IN_PASSWORD)->setFocus();
}

bool SignInDialog::choseNewPassword(const std::function<std::string(const std::string&)>& set) {
    if (ChangePasswordDialog(this,
                             "An administrator set your password. Choose a new one of at "
                             "least 10 characters before you go on.",
                             set)
            .DoModal() == IDOK)
        return true;
    password.clear();
    UpdateData(false);
    return false;
}

void SignInDialog::OnOK() {
    UpdateData(true);
    if (server.empty())
        signInToFile();
    else
        signInToServer();
}

void SignInDialog::signInToFile() {
    FileUsers users;
    SignInResult result = users.signIn(name, password);
    switch (result.outcome) {
    case SignInOutcome::SignedIn:
        break;
    case SignInOutcome::MustChangePassword:
        if (!choseNewPassword([&](const std::string& chosen) {
                return users.changePassword(name, password, chosen) ? std::string()
                                                                    : users.failure();
            }))
            return;
        result.user.mustChangePassword = false;
        break;
    case SignInOutcome::WrongNameOrPassword:
        noteFailure("wrong name or password");
        return tryAgain(kNotRight);
    case SignInOutcome::MustWait:
        noteFailure("waiting after wrong passwords");
        return tryAgain("Too many wrong passwords were typed for this user name. Wait " +
                        std::to_string(result.waitSeconds) + " seconds, then try again.");
    case SignInOutcome::Disabled:
        noteFailure("disabled");
        return tryAgain(kDisabled);
    case SignInOutcome::Unreadable:
        return tryAgain(unreadableUsers());
    }
    Session::signIn(result.user);
    AccessNote::enter(this, {Access::SignIn, "", "", std::nullopt});
    EndDialog(IDOK);
}

// On the file the trail keeps a sign-in refused, with the name typed; on a server the server
// itself logs the logins it refuses, for nobody is connected to enter them.
void SignInDialog::noteFailure(const std::string& why) {
    AccessNote::enter(this, {Access::SignInFailed, "", "", std::nullopt,
                             {{"user", name}, {"why", why}}});
}

// The desk connects as the login typed, with the password typed (or the one ~/.pgpass holds
// for it); how many wrong passwords a login may try is the server's own rule. A login in none
// of Medora's groups (the records' owner) signs in with no role: the server's rights are then
// the only bound.
void SignInDialog::signInToServer() {
    Engine::setServerLogin(name);
    Engine::setServerPassword(password);
    if (!Engine::testServer(Engine::serverConnection())) {
        if (loginDisabled())
            return tryAgain(kDisabled);
        if (name.empty() || wrongNameOrPassword())
            return tryAgain(kNotRight);
        return tryAgain(LastFailure::message().empty() ? "The clinic server could not be reached."
                                                       : LastFailure::message());
    }
    auto account = ServerAccount::signedIn();
    if (account && account->mustChangePassword) {
        if (!choseNewPassword([&](const std::string& chosen) {
                ServerLogins logins(Engine::serverConnection(), password);
                if (!logins.changeOwnPassword(chosen, password))
                    return logins.failure();
                Engine::setServerPassword(chosen);
                return std::string();
            }))
            return;
        account->mustChangePassword = false;
    }
    if (account)
        Session::signIn(*account);
    AccessNote::enter(this, {Access::SignIn, "", "", std::nullopt});
    EndDialog(IDOK);
}
