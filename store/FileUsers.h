#pragma once

#include "store/UserDirectory.h"

#include <ctime>
#include <optional>
#include <string>

// How a try to sign in ended.
enum class SignInOutcome {
    SignedIn,
    MustChangePassword, // the password was right, but an administrator set it
    WrongNameOrPassword,
    Disabled,           // the password was right, but the user may no longer sign in
    MustWait,           // too many wrong passwords for this name just now
    Unreadable,         // the users could not be read
};

struct SignInResult {
    SignInOutcome outcome = SignInOutcome::Unreadable;
    UserAccount user;    // once the password was found right
    int waitSeconds = 0; // for MustWait
};

// The users of the records file, in its table of users: Argon2id hashes through libsodium,
// and a wait after too many wrong passwords for one name.
class FileUsers : public UserDirectory {
public:
    // Wrong passwords in a row after which a name must wait, and for how long.
    static constexpr int triesBeforeWait = 5;
    static constexpr int waitSeconds = 30;

    // Whether anyone may sign in to the file; nothing when the users could not be read.
    static std::optional<bool> any();

    std::optional<std::vector<UserAccount>> list() override;
    bool add(const UserAccount& user, const std::string& password) override;
    bool setRole(const std::string& name, UserRole role) override;
    bool setDisabled(const std::string& name, bool disabled) override;
    bool resetPassword(const std::string& name, const std::string& password) override;

    // `now` is seconds since 1970; tests pass their own clock.
    SignInResult signIn(const std::string& name, const std::string& password,
                        std::time_t now = std::time(nullptr));
    // For a user who knows the password so far; clears "must change password".
    bool changePassword(const std::string& name, const std::string& old,
                        const std::string& password);

    // libsodium's Argon2id hash of the password at the limits Medora uses.
    static std::string hash(const std::string& password);

private:
    bool update(const std::string& name, const char* sql, const std::string& value);
    bool keepsAnAdministrator(const std::string& name, const char* change, const char* sql,
                              const std::string& value);
};
