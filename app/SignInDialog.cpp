#include "app/SignInDialog.h"

#include "app/ChangePasswordDialog.h"
#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "store/Engine.h"
#include "store/FileUsers.h"
#include "store/LastFailure.h"
#include "store/ServerAccount.h"
#include "store/Session.h"

namespace {

constexpr const char* kNotRight = "The user name or password is not right.";

std::string unreadableUsers() {
    const std::string why = LastFailure::message();
    return "The users of these records could not be read, so nobody can sign in now." +
           (why.empty() ? std::string() : " " + why);
}

} // namespace

SignInDialog::SignInDialog(QWidget* parent) : Dialog(kSignInForm, parent) {}

void SignInDialog::DoDataExchange(DataExchange& dx) {
    if (!prompt.empty())
        dx.text(IDC_SIGN_IN_PROMPT, prompt);
    dx.text(IDC_SIGN_IN_NAME, name);
    dx.text(IDC_SIGN_IN_PASSWORD, password);
}

bool SignInDialog::signIn(QWidget* owner) {
    Session::signOut();
    // On the server the user is the login the program connected with, which the server asked
    // the password of, and the role its group.
    if (!Engine::serverConnection().empty()) {
        if (const auto account = ServerAccount::signedIn())
            Session::signIn(*account);
        return true;
    }
    // Records whose users cannot be read (none there yet, or a damaged file the program offers
    // to rescue) guard nothing a sign-in could: whoever can make the file unreadable can read
    // it as well.
    if (FileUsers::any() != true)
        return true;
    return SignInDialog(owner).DoModal() == IDOK;
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

void SignInDialog::OnOK() {
    UpdateData(true);
    FileUsers users;
    const SignInResult result = users.signIn(name, password);
    switch (result.outcome) {
    case SignInOutcome::SignedIn:
        break;
    case SignInOutcome::MustChangePassword:
        if (ChangePasswordDialog(this,
                                 "An administrator set your password. Choose a new one of at "
                                 "least 10 characters before you go on.",
                                 [&](const std::string& chosen) {
                                     return users.changePassword(name, password, chosen)
                                                ? std::string()
                                                : users.failure();
                                 })
                .DoModal() != IDOK) {
            password.clear();
            UpdateData(false);
            return;
        }
        break;
    case SignInOutcome::WrongNameOrPassword:
        return tryAgain(kNotRight);
    case SignInOutcome::MustWait:
        return tryAgain("Too many wrong passwords were typed for this user name. Wait " +
                        std::to_string(result.waitSeconds) + " seconds, then try again.");
    case SignInOutcome::Disabled:
        return tryAgain("This user may no longer sign in. Ask an administrator of the clinic.");
    case SignInOutcome::Unreadable:
        return tryAgain(unreadableUsers());
    }
    Session::signIn(result.user);
    EndDialog(IDOK);
}
