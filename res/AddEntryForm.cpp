#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kAddEntryForm = {
    IDD_ADD_ENTRY, 240, 81, "Add new history entry",
    {
        {K::Label, IDC_STATIC, 7, 28, 0, 0, "Entry details: *", Style::None, IDC_ENTRY_DETAILS},
        {K::Edit, IDC_ENTRY_DETAILS, 7, 41, 226, 12},
        {K::PushButton, IDOK, 7, 60, 50, 14, "Add", Style::Default},
        {K::PushButton, IDCANCEL, 183, 60, 50, 14, "Cancel"},
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "History entry type", Style::None, IDC_ENTRY_TYPE},
        {K::ComboList, IDC_ENTRY_TYPE, 67, 7, 62, 57, "", Style::Disabled, IDC_STATIC,
         {"Medical", "Surgical", "Social", "Family", "Allergies", "Medication"}},
    },
};
