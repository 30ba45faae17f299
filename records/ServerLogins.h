#pragma once

#include "store/UserDirectory.h"

#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

// The users of records on a PostgreSQL server: each a login of its own in one of Medora's
// groups (medora_admin, medora_clinician, medora_reception), whose full name is the role's
// comment. They are looked after through the functions that medora-admin init makes, which
// an administrator's login may call; passwords go to the server only as SCRAM verifiers made
// here, never as they were typed.
class ServerLogins : public UserDirectory {
public:
    // Connects, on a connection of its own, to the records that the libpq connection string
    // names; a password, when given, overrides any in it or in libpq's password file.
    explicit ServerLogins(const std::string& connection, const std::string& password = {});
    ~ServerLogins() override;
    ServerLogins(const ServerLogins&) = delete;
    ServerLogins& operator=(const ServerLogins&) = delete;

    std::optional<std::vector<UserAccount>> list() override;
    bool add(const UserAccount& user, const std::string& password) override;
    bool setRole(const std::string& name, UserRole role) override;
    bool setDisabled(const std::string& name, bool disabled) override;
    bool resetPassword(const std::string& name, const std::string& password) override;

    // The signed-in login's own password, which clears its mark to change it; the old one,
    // when given, is refused as the new.
    bool changeOwnPassword(const std::string& newPassword, const std::string& old = {});

    // The account of the login a desk's connection signed in with; nothing when it is not in
    // Medora's groups or the server could not say.
    static std::optional<UserAccount> whoAmI(pg_conn* conn);

    // The group that gives a login its role, and the role a group gives.
    static std::string groupOf(UserRole role);
    static std::optional<UserRole> roleOfGroup(const std::string& group);

private:
    bool call(const std::string& sql, const std::vector<std::string>& values,
              const std::string& name);
    bool refused(const pg_result* result, const std::string& name);
    std::optional<std::string> verifier(const std::string& name, const std::string& password);
    bool connected();

    pg_conn* m_conn;
};
