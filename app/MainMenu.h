#pragma once

#include "platform/FormView.h"

#include <string>

// The hub of the program: today's date and the eight tasks. It alone handles the task
// commands of the menu and toolbar, so they work only while it is the active screen.
class MainMenu : public FormView {
public:
    MainMenu();

    void OnInitialUpdate() override;
    void DoDataExchange(DataExchange& dx) override;

    // Shows how the last backup came out, in red when it warns.
    void showBackupStatus();

    std::string dateText;
    std::string backupText;

protected:
    void laidOut() override;

private:
    void fitStatus();
    void addPatient();
    void locateByID();
    void locateByName();
    void listAllPatients();
    void issuePrescription();
    void editClinicInfo();
    void backup();
    void restore();
};
