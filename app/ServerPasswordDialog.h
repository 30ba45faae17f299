#pragma once

#include "platform/Dialog.h"

#include <string>

// Asks for the password the clinic's server wants when libpq's password file holds none, or
// a wrong one. The password stays in the program's memory only. A password the server refuses
// is asked for again; Cancel goes on without one.
class ServerPasswordDialog : public Dialog {
public:
    ServerPasswordDialog(QWidget* parent, const std::string& server);

    void DoDataExchange(DataExchange& dx) override;

    // Asks while the server in use wants a password it has not been given; returns at once
    // when the records are this computer's file, or the server lets the user in without one.
    // False when the user went on without the password the server wants.
    static bool logIn(QWidget* owner);

protected:
    void OnOK() override;
    void OnCancel() override;

private:
    std::string server;
    std::string prompt;
    std::string password;
};
