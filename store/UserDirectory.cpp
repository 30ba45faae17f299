#include "store/UserDirectory.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr std::pair<UserRole, const char*> kRoleNames[] = {
    {UserRole::Administrator, "administrator"},
    {UserRole::Clinician, "clinician"},
    {UserRole::Reception, "reception"},
};

// PostgreSQL's longest name, which a login is on the server.
constexpr std::size_t kLongestName = 63;

} // namespace

std::string roleName(UserRole role) {
    for (const auto& [each, name] : kRoleNames)
        if (each == role)
            return name;
    return {};
}

std::optional<UserRole> roleNamed(const std::string& name) {
    for (const auto& [role, each] : kRoleNames)
        if (name == each)
            return role;
    return std::nullopt;
}

std::string UserDirectory::passwordProblem(const std::string& name, const std::string& password,
                                           const std::string& old) {
    // Characters, not bytes: a password in any script counts what its user typed.
    const auto typed = std::count_if(password.begin(), password.end(),
                                     [](char byte) { return (byte & 0xC0) != 0x80; });
    if (static_cast<std::size_t>(typed) < shortestPassword)
        return "The password must have at least " + std::to_string(shortestPassword) +
               " characters.";
    if (password == name)
        return "The password must not be the user name.";
    if (!old.empty() && password == old)
        return "The new password must not be the old one.";
    return {};
}

bool UserDirectory::fail(std::string why) {
    m_failure = std::move(why);
    return false;
}

std::string UserDirectory::nameProblem(const std::string& name) {
    if (name.empty())
        return "The user name is empty.";
    if (name.size() > kLongestName)
        return "The user name is longer than " + std::to_string(kLongestName) + " characters.";
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
    });
    if (!plain)
        return "The user name \"" + name +
               "\" may hold only letters, digits, '.', '_' and '-'.";
    return {};
}
