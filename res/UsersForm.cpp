#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kUsersForm = {
    IDD_USERS, 300, 186, "Users",
    {
        {K::Label, IDC_STATIC, 7, 7, 286, 10, "The people who sign in to these records:"},
        {K::ListView, IDC_USERS_LIST, 7, 19, 286, 96, "", S::ShowSelAlways},
        {K::PushButton, IDC_USERS_ADD, 7, 121, 50, 14, "Add\u2026"},
        {K::Label, IDC_STATIC, 66, 124, 0, 0, "Role", S::None, IDC_USERS_ROLE},
        {K::ComboList, IDC_USERS_ROLE, 86, 121, 70, 60, "", S::None, IDC_STATIC,
         {"administrator", "clinician", "reception"}},
        {K::PushButton, IDC_USERS_SET_ROLE, 160, 121, 44, 14, "Set role"},
        {K::PushButton, IDC_USERS_DISABLE, 208, 121, 40, 14, "Disable"},
        {K::PushButton, IDC_USERS_PASSWORD, 252, 121, 41, 14, "Password\u2026"},
        {K::Label, IDC_STATIC, 7, 146, 0, 0, "Lock the screen after (minutes)", S::None,
         IDC_USERS_LOCK},
        {K::Edit, IDC_USERS_LOCK, 120, 144, 30, 12, "", S::Digits},
        {K::PushButton, IDOK, 186, 165, 50, 14, "OK", S::Default},
        {K::PushButton, IDCANCEL, 243, 165, 50, 14, "Cancel"},
    },
};
