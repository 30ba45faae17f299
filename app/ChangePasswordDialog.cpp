#include "app/ChangePasswordDialog.h"

#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"

ChangePasswordDialog::ChangePasswordDialog(QWidget* parent, const std::string& prompt,
                                           Setter set)
    : Dialog(kChangePasswordForm, parent), prompt(prompt), set(std::move(set)) {}

void ChangePasswordDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_NEW_PASSWORD_PROMPT, prompt);
    dx.text(IDC_NEW_PASSWORD, password);
    dx.text(IDC_NEW_PASSWORD_AGAIN, again);
}

bool ChangePasswordDialog::takeTypedTwice(Dialog& dialog, std::string& password,
                                          std::string& again, const Setter& set) {
    const std::string refusal =
        password == again ? set(password)
                          : "The two passwords differ. Type the same password in both fields.";
    if (refusal.empty())
        return true;
    MessageBox(&dialog, refusal, "Error", MsgIcon::Stop);
    password.clear();
    again.clear();
    dialog.UpdateData(false);
    return false;
}

void ChangePasswordDialog::OnOK() {
    UpdateData(true);
    if (takeTypedTwice(*this, password, again, set))
        EndDialog(IDOK);
    else
        controlWidget(IDC_NEW_PASSWORD)->setFocus();
}
