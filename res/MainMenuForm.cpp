#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kMainMenuForm = {
    IDD_MAIN_MENU, 278, 138, "",
    {
        {K::Label, IDC_MAIN_DATE, 7, 7, 184, 10, "Date"},
        {K::GroupBox, IDC_STATIC, 7, 18, 264, 91, "Tasks list:"},
        {K::PushButton, IDC_MAIN_ADD_PATIENT, 11, 31, 126, 16, "- Add a new patient"},
        {K::PushButton, IDC_MAIN_FIND_NAME, 11, 50, 126, 16, "- Find patient by name"},
        {K::PushButton, IDC_MAIN_FIND_ID, 11, 69, 126, 16, "- Locate patient by ID"},
        {K::PushButton, IDC_MAIN_LIST_ALL, 11, 88, 126, 16, "- List all patients"},
        {K::PushButton, IDC_MAIN_PRESCRIPTION, 141, 31, 126, 16, "- Issue a prescription"},
        {K::PushButton, IDC_MAIN_CLINIC_INFO, 141, 50, 126, 16,
         "- Edit clinic and doctor information"},
        {K::PushButton, IDC_MAIN_BACKUP, 141, 69, 126, 16, "- Backup medical records database"},
        {K::PushButton, IDC_MAIN_RESTORE, 141, 88, 126, 16,
         "- Restore database from a backup file"},
        // Below the tasks, where a long reason wraps onto more lines as the form grows.
        {K::Label, IDC_MAIN_BACKUP_STATUS, 7, 113, 264, 20, "Last checked backup"},
    },
};
