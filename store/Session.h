#pragma once

#include "store/UserDirectory.h"

#include <optional>

// Who is signed in to the records in this program, and what that allows. Records nobody signs
// in to (a file without users, and medora-admin, which works with the records' own rights)
// allow everything.
class Session {
public:
    static std::optional<UserAccount> user();
    static void signIn(const UserAccount& user);
    static void signOut();

    // Visits, histories, medications and tests, and the record's printout and export.
    static bool mayCare();
    // Users, the clinic's details, the records database, backups, restores, rescue, imports.
    static bool mayAdminister();
};
