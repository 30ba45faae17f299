#pragma once

#include "platform/Dialog.h"

#include <functional>
#include <string>

// A new password, typed twice, for the user the prompt names; nothing changes until `set`
// accepts it.
class ChangePasswordDialog : public Dialog {
public:
    // `set` gives the password to the records: empty when it was taken, else why not.
    using Setter = std::function<std::string(const std::string& password)>;

    ChangePasswordDialog(QWidget* parent, const std::string& prompt, Setter set);

    void DoDataExchange(DataExchange& dx) override;

    // Gives `set` the password typed alike in the dialog's two fields: true once it took it;
    // else tells why, and empties both fields for the user to type again.
    static bool takeTypedTwice(Dialog& dialog, std::string& password, std::string& again,
                               const Setter& set);

protected:
    void OnOK() override;

private:
    std::string prompt;
    Setter set;
    std::string password;
    std::string again;
};
