#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kBackupsForm = {
    IDD_BACKUPS,
    260,
    76,
    "Backups",
    {
        {K::Label, IDC_STATIC, 7, 7, 246, 18,
         "Medora backs the records up each day into this folder: a USB drive or a network "
         "folder, or left empty for the backups folder beside the records."},
        {K::Label, IDC_STATIC, 7, 36, 0, 0, "Backup folder", S::None, IDC_BACKUPS_FOLDER},
        {K::Edit, IDC_BACKUPS_FOLDER, 60, 34, 136, 12, ""},
        {K::PushButton, IDC_BACKUPS_BROWSE, 203, 33, 50, 14, "Browse\u2026"},
        {K::PushButton, IDOK, 146, 55, 50, 14, "OK", S::Default},
        {K::PushButton, IDCANCEL, 203, 55, 50, 14, "Cancel"},
    },
};
