#include "tools/UsersCommand.h"

#include "store/UserDirectory.h"

#include <termios.h>
#include <unistd.h>

#include <iomanip>
#include <iostream>

namespace {

int refuse(const std::string& why) {
    std::cerr << "medora-admin: " << why << "\n";
    return 1;
}

int badUsage() {
    std::cerr << UsersCommand::usage();
    return 2;
}

// One line typed at the terminal, without showing it.
std::string hiddenLine(const std::string& prompt) {
    std::cerr << prompt << std::flush;
    termios before{};
    const bool terminal = tcgetattr(STDIN_FILENO, &before) == 0;
    if (terminal) {
        termios hidden = before;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::cerr << "\n";
    }
    return line;
}

} // namespace

UsersCommand::UsersCommand(UserDirectory& users, std::istream& passwords)
    : m_users(users), m_passwords(passwords) {}

const char* UsersCommand::usage() {
    return "usage: medora-admin users add NAME --role administrator|clinician|reception\n"
           "                           [--full-name TEXT]\n"
           "       medora-admin users list\n"
           "       medora-admin users disable NAME | enable NAME | reset-password NAME\n"
           "       medora-admin users set-role NAME administrator|clinician|reception\n"
           "  A new or reset password is read from the terminal, or as one line from standard\n"
           "  input when that is not a terminal. A user whose password was reset must change\n"
           "  it at the next sign-in.\n";
}

bool UsersCommand::readPassword(const std::string& name, std::string& password) {
    if (&m_passwords != &std::cin || !isatty(STDIN_FILENO)) {
        if (std::getline(m_passwords, password))
            return true;
        refuse("no password was given on standard input; nothing was changed");
        return false;
    }
    password = hiddenLine("Password for " + name + ": ");
    if (hiddenLine("The same password again: ") == password)
        return true;
    refuse("the two passwords differ; nothing was changed");
    return false;
}

int UsersCommand::done(bool succeeded, const std::string& message) {
    if (!succeeded)
        return refuse(m_users.failure() + " Nothing was changed.");
    std::cout << message << "\n";
    return 0;
}

int UsersCommand::add(const std::vector<std::string>& args) {
    UserAccount user;
    user.name = args[1];
    bool roleGiven = false;
    for (std::size_t i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return badUsage();
        if (args[i] == "--role") {
            const auto role = roleNamed(args[i + 1]);
            if (!role)
                return refuse("there is no role \"" + args[i + 1] +
                              "\": it is administrator, clinician or reception");
            user.role = *role;
            roleGiven = true;
        } else if (args[i] == "--full-name") {
            user.fullName = args[i + 1];
        } else {
            return badUsage();
        }
    }
    if (!roleGiven)
        return badUsage();
    std::string password;
    if (!readPassword(user.name, password))
        return 1;
    return done(m_users.add(user, password),
                "The user " + user.name + " (" + roleName(user.role) + ") is added.");
}

int UsersCommand::list() {
    const auto users = m_users.list();
    if (!users)
        return refuse(m_users.failure());
    for (const UserAccount& user : *users) {
        std::string state = user.disabled ? "disabled" : "enabled";
        if (user.mustChangePassword)
            state += ", must change password";
        std::cout << std::left << std::setw(20) << user.name << " " << std::setw(13)
                  << roleName(user.role) << " " << std::setw(30) << state << " "
                  << user.fullName << "\n";
    }
    return 0;
}

int UsersCommand::run(const std::vector<std::string>& args) {
    const std::string verb = args.empty() ? "" : args[0];
    if (verb == "list" && args.size() == 1)
        return list();
    if (verb == "add" && args.size() >= 4)
        return add(args);
    if (args.size() == 2 && (verb == "disable" || verb == "enable"))
        return done(m_users.setDisabled(args[1], verb == "disable"),
                    "The user " + args[1] + " is " + verb + "d.");
    if (verb == "reset-password" && args.size() == 2) {
        std::string password;
        if (!readPassword(args[1], password))
            return 1;
        return done(m_users.resetPassword(args[1], password),
                    "The password of " + args[1] +
                        " is set; it must be changed at the next sign-in.");
    }
    if (verb == "set-role" && args.size() == 3) {
        const auto role = roleNamed(args[2]);
        if (!role)
            return refuse("there is no role \"" + args[2] +
                          "\": it is administrator, clinician or reception");
        return done(m_users.setRole(args[1], *role),
                    "The user " + args[1] + " is now " + roleName(*role) + ".");
    }
    return badUsage();
}
