#include "app/AddUserDialog.h"

#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
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
    const std::string refusal =
        password != again ? "The two passwords differ. Type the same password in both fields."
        : users.add(user, password) ? std::string()
                                    : users.failure();
    if (refusal.empty()) {
        EndDialog(IDOK);
        return;
    }
    MessageBox(this, refusal, "Error", MsgIcon::Stop);
    password.clear();
    again.clear();
    UpdateData(false);
}
