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

void ChangePasswordDialog::OnOK() {
    UpdateData(true);
    const std::string refusal =
        password == again ? set(password)
                          : "The two passwords differ. Type the same password in both fields.";
    if (refusal.empty()) {
        EndDialog(IDOK);
        return;
    }
    MessageBox(this, refusal, "Error", MsgIcon::Stop);
    password.clear();
    again.clear();
    UpdateData(false);
    controlWidget(IDC_NEW_PASSWORD)->setFocus();
}
