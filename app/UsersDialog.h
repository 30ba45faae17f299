#pragma once

#include "platform/Dialog.h"

#include <string>
#include <vector>

class UserDirectory;
struct UserAccount;
class ListView;

// Database › Users…: adds users, sets their role, disables and enables them, sets a new
// password they must change, and sets the minutes after which an idle screen locks. Each
// change is made at once; OK saves the minutes.
class UsersDialog : public Dialog {
public:
    UsersDialog(QWidget* parent, UserDirectory& users);

    void DoDataExchange(DataExchange& dx) override;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    ListView* list() const;
    void reload(const std::string& select = {});
    void selectionChanged();
    const UserAccount* chosen() const;
    void addUser();
    void setRole();
    void toggleDisabled();
    void setPassword();
    void refuse(const std::string& why);
    void noteRights(const std::string& user, const std::string& change);

    UserDirectory& users;
    std::vector<UserAccount> shown;
    std::string lockMinutes;
};
