#include "app/UsersDialog.h"

#include "app/AddUserDialog.h"
#include "app/ChangePasswordDialog.h"
#include "platform/DataExchange.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AccessNote.h"
#include "store/ClinicSettings.h"
#include "store/LastFailure.h"
#include "store/UserDirectory.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QPushButton>

namespace {

QString stateOf(const UserAccount& user) {
    QString state = user.disabled ? "disabled" : "enabled";
    if (user.mustChangePassword)
        state += ", must change password";
    return state;
}

} // namespace

UsersDialog::UsersDialog(QWidget* parent, UserDirectory& users)
    : Dialog(kUsersForm, parent), users(users) {
    onClicked(IDC_USERS_ADD, [this] { addUser(); });
    onClicked(IDC_USERS_SET_ROLE, [this] { setRole(); });
    onClicked(IDC_USERS_DISABLE, [this] { toggleDisabled(); });
    onClicked(IDC_USERS_PASSWORD, [this] { setPassword(); });
}

ListView* UsersDialog::list() const {
    return control<ListView>(IDC_USERS_LIST);
}

bool UsersDialog::OnInitDialog() {
    list()->insertColumn(0, "User name", 80);
    list()->insertColumn(1, "Full name", 110);
    list()->insertColumn(2, "Role", 85);
    list()->insertColumn(3, "State", 140);
    connect(list()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { selectionChanged(); });
    lockMinutes = std::to_string(ClinicSettings::lockMinutes().value_or(
        ClinicSettings::defaultLockMinutes));
    const bool shownOk = Dialog::OnInitDialog();
    reload();
    return shownOk;
}

void UsersDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_USERS_LOCK, lockMinutes, 3);
}

void UsersDialog::reload(const std::string& select) {
    list()->deleteAllRows();
    shown = users.list().value_or(std::vector<UserAccount>{});
    int selected = shown.empty() ? -1 : 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const UserAccount& user = shown[i];
        list()->addRow({QString::fromStdString(user.name), QString::fromStdString(user.fullName),
                        QString::fromStdString(roleName(user.role)), stateOf(user)});
        if (user.name == select)
            selected = static_cast<int>(i);
    }
    if (selected >= 0)
        list()->selectRow(selected);
    selectionChanged();
}

const UserAccount* UsersDialog::chosen() const {
    const int row = list()->firstSelectedRow();
    return row >= 0 && row < static_cast<int>(shown.size()) ? &shown[row] : nullptr;
}

void UsersDialog::selectionChanged() {
    const UserAccount* user = chosen();
    for (int id : {IDC_USERS_ROLE, IDC_USERS_SET_ROLE, IDC_USERS_DISABLE, IDC_USERS_PASSWORD})
        enableControl(id, user != nullptr);
    if (!user)
        return;
    control<QComboBox>(IDC_USERS_ROLE)->setCurrentIndex(static_cast<int>(user->role));
    control<QPushButton>(IDC_USERS_DISABLE)->setText(user->disabled ? "Enable" : "Disable");
}

void UsersDialog::refuse(const std::string& why) {
    MessageBox(this, why, "Error", MsgIcon::Stop);
}

void UsersDialog::addUser() {
    AddUserDialog add(this, users, shown.empty());
    if (add.DoModal() != IDOK)
        return;
    noteRights(add.addedName(), "added");
    reload();
}

// Who may do what changed: the audit trail keeps who changed it, and how.
void UsersDialog::noteRights(const std::string& user, const std::string& change) {
    AccessNote::enter(this, {Access::Rights, "", "", std::nullopt,
                             {{"user", user}, {"change", change}}});
}

void UsersDialog::setRole() {
    const UserAccount* user = chosen();
    const auto role = static_cast<UserRole>(control<QComboBox>(IDC_USERS_ROLE)->currentIndex());
    if (!user || role == user->role)
        return;
    const std::string name = user->name;
    if (users.setRole(name, role))
        noteRights(name, "role " + roleName(role));
    else
        refuse(users.failure());
    reload(name);
}

void UsersDialog::toggleDisabled() {
    const UserAccount* user = chosen();
    if (!user)
        return;
    const std::string name = user->name;
    const bool disabling = !user->disabled;
    if (users.setDisabled(name, disabling))
        noteRights(name, disabling ? "disabled" : "enabled");
    else
        refuse(users.failure());
    reload(name);
}

void UsersDialog::setPassword() {
    const UserAccount* user = chosen();
    if (!user)
        return;
    const std::string name = user->name;
    ChangePasswordDialog dialog(
        this, "A new password for " + name + ", who must change it at the next sign-in.",
        [&](const std::string& password) {
            return users.resetPassword(name, password) ? std::string() : users.failure();
        });
    if (dialog.DoModal() != IDOK)
        return;
    noteRights(name, "password set");
    reload(name);
}

void UsersDialog::OnOK() {
    UpdateData(true);
    const int minutes = lockMinutes.empty() ? 0 : std::stoi(lockMinutes);
    if (minutes < ClinicSettings::shortestLock || minutes > ClinicSettings::longestLock) {
        refuse("The screen locks after 1 to 120 minutes without keyboard or mouse.");
        controlWidget(IDC_USERS_LOCK)->setFocus();
        return;
    }
    if (!ClinicSettings::setLockMinutes(minutes)) {
        const std::string why = LastFailure::message();
        refuse("The minutes could not be saved." + (why.empty() ? "" : " " + why));
        return;
    }
    EndDialog(IDOK);
}
