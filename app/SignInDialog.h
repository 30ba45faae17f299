#pragma once

#include "platform/Dialog.h"

#include <string>

// The "Sign in" window: asks for a user name and password until someone signs in, or the user
// chooses Exit. A user whose password an administrator set chooses a new one first.
class SignInDialog : public Dialog {
public:
    explicit SignInDialog(QWidget* parent);

    void DoDataExchange(DataExchange& dx) override;

    // Asks while the records have users; true at once while they have none (nobody signs in
    // then). False when the user chose Exit.
    static bool signIn(QWidget* owner);
    // Whether the password is the signed-in user's, as the locked screen asks.
    static bool passwordRight(const std::string& password);

protected:
    void OnOK() override;

private:
    void tryAgain(const std::string& why);

    std::string prompt;
    std::string name;
    std::string password;
};
