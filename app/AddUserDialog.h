#pragma once

#include "platform/Dialog.h"

#include <string>

class UserDirectory;

// A new user: name, full name, role and a first password typed twice.
class AddUserDialog : public Dialog {
public:
    AddUserDialog(QWidget* parent, UserDirectory& users, bool first);

    void DoDataExchange(DataExchange& dx) override;

    // The user added, once the dialog ends with OK.
    const std::string& addedName() const { return name; }

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    UserDirectory& users;
    bool first;
    std::string name;
    std::string fullName;
    int role = 1;
    std::string password;
    std::string again;
};
