#pragma once

#include <optional>
#include <string>
#include <vector>

// What a person may do with the records: reception registers and finds patients and keeps
// their particulars; a clinician does everything a patient's care needs; an administrator
// does what a clinician may and looks after users, the clinic's details and the records.
enum class UserRole { Administrator, Clinician, Reception };

// The role as medora-admin and the status bar write it: "administrator", "clinician",
// "reception".
std::string roleName(UserRole role);
std::optional<UserRole> roleNamed(const std::string& name);

struct UserAccount {
    std::string name;     // what the person types to sign in
    std::string fullName; // may be empty
    UserRole role = UserRole::Clinician;
    bool disabled = false;
    bool mustChangePassword = false;
};

// The people who may sign in to the records, and what each may do: the records file's table
// of users, or the server's logins in Medora's group roles. Each call is one operation on the
// records; a call that returns false has changed nothing, and failure() says why in a user's
// words.
class UserDirectory {
public:
    virtual ~UserDirectory() = default;

    // Every user, in the order of their names; nothing when they could not be read.
    virtual std::optional<std::vector<UserAccount>> list() = 0;
    // A new user who signs in with `password` (refused unless passwordProblem() allows it).
    virtual bool add(const UserAccount& user, const std::string& password) = 0;
    // Refused when it would leave no enabled administrator.
    virtual bool setRole(const std::string& name, UserRole role) = 0;
    // Refused when it would leave no enabled administrator.
    virtual bool setDisabled(const std::string& name, bool disabled) = 0;
    // A password an administrator sets: the user must change it at the next sign-in.
    virtual bool resetPassword(const std::string& name, const std::string& password) = 0;

    const std::string& failure() const { return m_failure; }

    // Why `password` may not be the password of the user `name`, whose password so far is
    // `old` (empty for a new user): too short, the user name, or the old one; empty when it
    // may.
    static std::string passwordProblem(const std::string& name, const std::string& password,
                                       const std::string& old = {});
    static constexpr std::size_t shortestPassword = 10;

protected:
    bool fail(std::string why);
    // Why a user name cannot be used: empty, too long, or holding characters other than
    // letters, digits, '.', '_' and '-'; empty when it can.
    static std::string nameProblem(const std::string& name);

private:
    std::string m_failure;
};
