#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kHistoryOfChangesForm = {
    IDD_HISTORY_OF_CHANGES, 360, 250, "History of changes",
    {
        {K::Label, IDC_HISTORY_WHAT, 7, 7, 346, 10, ""},
        {K::Label, IDC_STATIC, 7, 21, 0, 0, "Versions, oldest first, and the rows deleted",
         S::None, IDC_HISTORY_VERSIONS},
        {K::ListView, IDC_HISTORY_VERSIONS, 7, 32, 346, 92, "", S::ShowSelAlways},
        {K::Label, IDC_STATIC, 7, 130, 0, 0, "What the chosen version changed", S::None,
         IDC_HISTORY_CHANGES},
        {K::ListView, IDC_HISTORY_CHANGES, 7, 141, 346, 80, ""},
        {K::PushButton, IDC_HISTORY_RESTORE, 220, 229, 80, 14, "Restore this version",
         S::Disabled},
        {K::PushButton, IDCANCEL, 303, 229, 50, 14, "Close"},
    },
};
