#pragma once

#include "store/ConnectionString.h"
#include "platform/Dialog.h"

#include <string>

// File › "Records database…": this computer's file or a clinic server, saved for this user
// and used from the next operation on. While MEDORA_DATABASE is set, it shows the server that
// variable names and changes nothing. OK ends it with IDOK even when the choice stayed.
class RecordsDatabaseDialog : public Dialog {
public:
    explicit RecordsDatabaseDialog(QWidget* parent = nullptr);

    void DoDataExchange(DataExchange& dx) override;

    // Input: screens other than the main menu are open. They show the records in use, so the
    // choice cannot change under them.
    bool screensOpen = false;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    enum Choice { ThisComputer = 0, ClinicServer = 1 };

    void showChoice();
    void testConnection();
    // The setting the controls describe: empty for this computer's file.
    std::string chosenSetting();

    const bool fromEnvironment;
    int choice = ThisComputer;
    std::string host, port, database, user;
    std::string password; // to test with only
    ConnectionString server;  // keeps the keywords that no field shows, such as sslmode
    std::string shownSetting; // the choice as the dialog opened with it
};
