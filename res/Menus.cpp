#include "res/Menus.h"

#include "res/resource.h"

#include <map>

namespace {

const MenuItem kSeparator{nullptr, 0};
const MenuItem kRecordsDatabase{"Records &database\u2026", ID_FILE_RECORDS_DATABASE};
const MenuItem kConnect{"&Connect\u2026", ID_FILE_CONNECT};
const MenuItem kLock{"&Lock\tCtrl+L", ID_FILE_LOCK};
const MenuItem kSignOut{"Sign o&ut", ID_FILE_SIGN_OUT};

const MenuPopup kEditHistoryPopup{"&Edit",
                                  {{"&History of changes\u2026", ID_EDIT_HISTORY_OF_CHANGES}}};

const MenuPopup kViewPopup{"&View",
                           {{"Zoom &in\tCtrl++", ID_VIEW_ZOOM_IN},
                            {"Zoom &out\tCtrl+-", ID_VIEW_ZOOM_OUT},
                            {"&Actual size\tCtrl+0", ID_VIEW_ACTUAL_SIZE},
                            {"&Fit to window", ID_VIEW_FIT_TO_WINDOW}}};

const std::vector<MenuPopup> kNoScreenMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kMainMenuMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    {"&Patient", {{"Add New", ID_PATIENT_ADD}, {"Locate by ID", ID_PATIENT_LOCATE_ID},
                  {"Locate by name", ID_PATIENT_LOCATE_NAME}, {"List all", ID_PATIENT_LIST_ALL}}},
    {"&Issue", {{"Prescription", ID_ISSUE_PRESCRIPTION}}},
    {"&Database", {{"Backup", ID_DATABASE_BACKUP}, {"Restore", ID_DATABASE_RESTORE},
                   kSeparator, {"Backups\u2026", ID_DATABASE_BACKUPS},
                   {"Rescue records\u2026", ID_DATABASE_RESCUE}, kSeparator,
                   {"Export all records\u2026", ID_DATABASE_EXPORT_ALL},
                   {"Import records\u2026", ID_DATABASE_IMPORT}, kSeparator,
                   {"Users\u2026", ID_DATABASE_USERS},
                   {"Deleted patients\u2026", ID_DATABASE_DELETED_PATIENTS},
                   {"Audit trail\u2026", ID_DATABASE_AUDIT_TRAIL}}},
    {"&Edit", {{"Clinic information", ID_EDIT_CLINIC_INFO}}},
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kAddNewMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kViewPopup,
    {"&Help", {{"&About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kPlainScreenMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kVisitMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kEditHistoryPopup,
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kPrescriptionMenu = {
    {"&File", {kRecordsDatabase, kConnect, kSeparator, {"&Print...\tCtrl+P", ID_FILE_PRINT},
               {"Print Pre&view", ID_FILE_PRINT_PREVIEW}, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kRecordMenu = {
    {"&File", {{"&Print...\tCtrl+P", ID_FILE_PRINT}, {"Print Pre&view", ID_FILE_PRINT_PREVIEW},
               {"&Export record...", ID_FILE_EXPORT_RECORD}, kSeparator,
               {"P&rint Setup...", ID_FILE_PRINT_SETUP}, kSeparator, kLock, kSignOut,
               {"E&xit", ID_APP_EXIT}}},
    kEditHistoryPopup,
    {kViewPopup.title,
     [] {
         std::vector<MenuItem> items = kViewPopup.items;
         items.push_back(kSeparator);
         items.push_back({"Vital &signs charts\u2026", ID_VIEW_VITAL_CHARTS});
         return items;
     }()},
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<MenuPopup> kVitalChartsMenu = {
    {"&File", {{"&Print...\tCtrl+P", ID_FILE_PRINT}, {"P&rint Setup...", ID_FILE_PRINT_SETUP},
               kSeparator, kLock, kSignOut, {"E&xit", ID_APP_EXIT}}},
    kViewPopup,
    {"&Help", {{"About Medora...", ID_APP_ABOUT}}},
};

const std::vector<ToolbarButton> kToolbar = {
    {ID_PATIENT_ADD, "New Patient", ":/toolbar/new-patient.svg"},
    {0, nullptr, nullptr},
    {ID_PATIENT_LOCATE_ID, "Find ID", ":/toolbar/find-id.svg"},
    {ID_PATIENT_LOCATE_NAME, "Find Name", ":/toolbar/find-name.svg"},
    {ID_PATIENT_LIST_ALL, "List All", ":/toolbar/list-all.svg"},
    {0, nullptr, nullptr},
    {ID_ISSUE_PRESCRIPTION, "Prescription", ":/toolbar/prescription.svg"},
    {0, nullptr, nullptr},
    {ID_DATABASE_BACKUP, "Backup", ":/toolbar/backup.svg"},
    {ID_DATABASE_RESTORE, "Restore", ":/toolbar/restore.svg"},
    {ID_EDIT_CLINIC_INFO, "Clinic Info", ":/toolbar/clinic-info.svg"},
};

// New and Open are left out: they would open screens without their data.
const std::vector<Accelerator> kAccelerators = {
    {"Ctrl+S", ID_FILE_SAVE},       {"Ctrl+P", ID_FILE_PRINT},
    {"Ctrl+Z", ID_EDIT_UNDO},       {"Alt+Backspace", ID_EDIT_UNDO},
    {"Ctrl+X", ID_EDIT_CUT},        {"Shift+Del", ID_EDIT_CUT},
    {"Ctrl+C", ID_EDIT_COPY},       {"Ctrl+Ins", ID_EDIT_COPY},
    {"Ctrl+V", ID_EDIT_PASTE},      {"Shift+Ins", ID_EDIT_PASTE},
    {"F6", ID_NEXT_PANE},           {"Shift+F6", ID_PREV_PANE},
    {"F1", ID_HELP_CONTENTS},       {"Ctrl+L", ID_FILE_LOCK},
    {"Ctrl++", ID_VIEW_ZOOM_IN},    {"Ctrl+=", ID_VIEW_ZOOM_IN},
    {"Ctrl+-", ID_VIEW_ZOOM_OUT},   {"Ctrl+0", ID_VIEW_ACTUAL_SIZE},
};

const std::map<int, const char*> kCommandStrings = {
    {ID_PATIENT_ADD, "Add a new patient's medical record.\nNew Patient"},
    {ID_PATIENT_LOCATE_ID, "Locate patient record by ID.\nLocate by ID"},
    {ID_PATIENT_LOCATE_NAME, "Locate patient record by name\nLocate by name"},
    {ID_PATIENT_LIST_ALL, "List all medical records.\nList all records"},
    {ID_ISSUE_PRESCRIPTION, "Issue and print a medical prescription\nIssue a prescription"},
    {ID_DATABASE_BACKUP, "Backup medical records database to a certain location\nBackup database"},
    {ID_DATABASE_RESTORE, "Restore database from a backup file\nRestore database"},
    {ID_DATABASE_BACKUPS, "Choose the folder the daily backups go to\nBackups"},
    {ID_DATABASE_RESCUE,
     "Build new records from every row of a damaged records file that can still be read\n"
     "Rescue records"},
    {ID_DATABASE_EXPORT_ALL,
     "Write every record as FHIR, one file for each kind of resource, in a folder\n"
     "Export all records"},
    {ID_DATABASE_IMPORT,
     "Bring in the records of a FHIR Bundle or Bulk Data folder as new patients\n"
     "Import records"},
    {ID_EDIT_CLINIC_INFO, "Edit clinic and doctor information\nEdit clinic information"},
    {ID_HELP_CONTENTS, "Display program help\nHelp contents"},
    {ID_ADDNEW_ADD, "Add the record to the system\nAdd"},
    {ID_ADDNEW_CANCEL, "Cancel the operation and go back to main menu\nCancel"},
    {ID_RESULTS_DISPLAY, "Display the selected medical record\nview selected"},
    {ID_RESULTS_CLOSE, "Close and go back to main menu\nClose"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application\nExit"},
    {ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPage Setup"},
    {ID_FILE_PRINT, "Print the active document\nPrint"},
    {ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview"},
    {ID_FILE_EXPORT_RECORD,
     "Save the patient's whole record as a PDF file or a FHIR record\nExport record"},
    {ID_VIEW_ZOOM_IN, "Show the screens larger\nZoom in"},
    {ID_VIEW_ZOOM_OUT, "Show the screens smaller\nZoom out"},
    {ID_FILE_RECORDS_DATABASE,
     "Choose the records this program uses: this computer's file or a clinic server\nRecords "
     "database"},
    {ID_VIEW_ACTUAL_SIZE, "Show the screens at the size they were drawn\nActual size"},
    {ID_VIEW_FIT_TO_WINDOW,
     "Show the screens as large as the window holds, up to 150 %\nFit to window"},
    {ID_FILE_CONNECT, "Type the password the clinic server asks for\nConnect"},
    {ID_DATABASE_USERS,
     "Add the people who sign in, set their roles and passwords, and when an idle screen "
     "locks\nUsers"},
    {ID_DATABASE_DELETED_PATIENTS,
     "Bring back a patient whose record was deleted, whole\nDeleted patients"},
    {ID_DATABASE_AUDIT_TRAIL,
     "See who changed, opened, printed or exported which records, and when\nAudit trail"},
    {ID_FILE_LOCK, "Hide the records until you type your password again\nLock"},
    {ID_FILE_SIGN_OUT, "Close every screen and let another person sign in\nSign out"},
    {ID_EDIT_HISTORY_OF_CHANGES,
     "See each version of what is on screen, who made it and when, and put one back\n"
     "History of changes"},
    {ID_VIEW_VITAL_CHARTS,
     "Show the patient's vital signs as charts over time\nVital signs charts"},
};

} // namespace

const std::vector<MenuPopup>& menuResource(int id) {
    switch (id) {
    case IDR_MAINMENU_MENU:
        return kMainMenuMenu;
    case IDR_ADDNEW_MENU:
        return kAddNewMenu;
    case IDR_FINDID_MENU:
    case IDR_FINDNAME_MENU:
    case IDR_VIEWRESULTS_MENU:
    case IDR_CLINICINFO_MENU:
        return kPlainScreenMenu;
    case IDR_VIEWCOMPLAINT_MENU:
        return kVisitMenu;
    case IDR_PRESCRIPTION_MENU:
        return kPrescriptionMenu;
    case IDR_VIEWREC_MENU:
        return kRecordMenu;
    case IDR_VITAL_CHARTS_MENU:
        return kVitalChartsMenu;
    default:
        return kNoScreenMenu;
    }
}

const std::vector<ToolbarButton>& toolbarResource() {
    return kToolbar;
}

const std::vector<Accelerator>& acceleratorResource() {
    return kAccelerators;
}

const char* commandString(int command) {
    auto found = kCommandStrings.find(command);
    return found == kCommandStrings.end() ? "" : found->second;
}
