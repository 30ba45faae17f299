#include "store/ServerAccount.h"

#include "store/Database.h"
#include "store/Engine.h"

std::optional<UserAccount> ServerAccount::signedIn() {
    if (Engine::serverConnection().empty())
        return std::nullopt;
    std::optional<UserAccount> account;
    Database::read([&](Database& db) {
        Statement row = db.prepare(
            "SELECT login, full_name,"
            " CASE grp WHEN 'medora_admin' THEN 'administrator'"
            " WHEN 'medora_clinician' THEN 'clinician' ELSE 'reception' END,"
            " CASE WHEN enabled THEN 0 ELSE 1 END, CASE WHEN must_change THEN 1 ELSE 0 END"
            " FROM medora_users() WHERE login = session_user");
        if (row.step())
            account = UserAccount{row.text(0), row.text(1),
                                  roleNamed(row.text(2)).value_or(UserRole::Reception),
                                  row.integer(3) != 0, row.integer(4) != 0};
        return true;
    });
    return account;
}
