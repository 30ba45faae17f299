#include "store/Session.h"

#include "store/AccessWriter.h"

#include <mutex>

namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

std::optional<UserAccount>& signedIn() {
    static std::optional<UserAccount> user;
    return user;
}

} // namespace

std::optional<UserAccount> Session::user() {
    std::lock_guard lock(guard());
    return signedIn();
}

// Entries still queued are entered as the user who made them.
void Session::signIn(const UserAccount& user) {
    AccessWriter::drain();
    std::lock_guard lock(guard());
    signedIn() = user;
}

void Session::signOut() {
    AccessWriter::drain();
    std::lock_guard lock(guard());
    signedIn().reset();
}

bool Session::mayCare() {
    const auto who = user();
    return !who || who->role != UserRole::Reception;
}

bool Session::mayAdminister() {
    const auto who = user();
    return !who || who->role == UserRole::Administrator;
}
