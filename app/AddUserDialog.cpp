#include "app/AddUserDialog.h"

#include "app/ChangePasswordDialog.h"
#include "platform/DataExchange.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "store/UserDirectory.h"

AddUserDialog::AddUserDialog(QWidget* parent, UserDirectory& users, bool first)
    : Dialog(kAddUserForm, parent), users(users), first(first) {}

// The first user of the records must be an administrator, so that someone can manage them.
bool AddUserDialog::OnInitDialog() {
    role = static_cast<int>(first ? UserRole::Administrator : UserRole::Clinician);
    const bool shown = Dialog::OnInitDialog();
    enableControl(IDC_ADD_USER_ROLE, !first);
    return shown;
}

void AddUserDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_ADD_USER_NAME, name);
    dx.text(IDC_ADD_USER_FULL_NAME, fullName);
    dx.selection(IDC_ADD_USER_ROLE, role);
    dx.text(IDC_ADD_USER_PASSWORD, password);
    dx.text(IDC_ADD_USER_AGAIN, again);
}

void AddUserDialog::OnOK() {
    UpdateData(true);
    const UserAccount user{name, fullName, static_cast<UserRole>(role)};
    if (ChangePasswordDialog::takeTypedTwice(*this, password, again,
                                             [&](const std::string& chosen) {
                                                 return users.add(user, chosen) ? std::string()
                                                                                : users.failure();
                                             }))
        EndDialog(IDOK);
}
