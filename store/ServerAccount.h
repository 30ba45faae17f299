#pragma once

#include "store/UserDirectory.h"

#include <optional>

// The account of the login the program works on the server's records with: its role is the
// group of Medora's it is in. Nothing on a records file, for a login in none of the groups,
// or when the server could not say.
class ServerAccount {
public:
    static std::optional<UserAccount> signedIn();
};
