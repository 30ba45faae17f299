#pragma once

#include "platform/Dialog.h"

#include <string>

// The "Sign in" window: asks for a user name and password until someone signs in, or the user
// chooses Exit. On a records file the users are the file's own; on the clinic's server each
// is a login of its own, whose password the server checks. A user whose password an
// administrator set chooses a new one first.
class SignInDialog : public Dialog {
public:
    enum class Result {
        SignedIn,
        NotAsked, // the records file has no users, or the server could not be reached
        Exit,
    };

    explicit SignInDialog(QWidget* parent);

    void DoDataExchange(DataExchange& dx) override;

    static Result signIn(QWidget* owner);
    // Whether the password is the signed-in user's, as the locked screen asks.
    static bool passwordRight(const std::string& password);

protected:
    void OnOK() override;

private:
    void signInToFile();
    void signInToServer();
    // Asks for a new password when an administrator set the one typed; false when the user
    // went back without choosing one.
    bool choseNewPassword(const std::function<std::string(const std::string&)>& set);
    void tryAgain(const std::string& why);
    void noteFailure(const std::string& why);

    std::string server;
    std::string prompt;
    std::string name;
    std::string password;
};
