#pragma once

#include <istream>
#include <string>
#include <vector>

class UserDirectory;

// medora-admin's users and lock-after commands, on whichever directory of users the records
// have. Passwords are read from the terminal without echo, or one line from standard input
// when it is not a terminal.
class UsersCommand {
public:
    UsersCommand(UserDirectory& users, std::istream& passwords);

    // args are what follows "users"; returns the process's exit status.
    int run(const std::vector<std::string>& args);

    static const char* usage();

private:
    int add(const std::vector<std::string>& args);
    int list();
    int done(bool succeeded, const std::string& message);
    bool readPassword(const std::string& name, std::string& password);

    UserDirectory& m_users;
    std::istream& m_passwords;
};
