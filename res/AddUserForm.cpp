#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kAddUserForm = {
    IDD_ADD_USER, 240, 128, "Add user",
    {
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "User name", S::None, IDC_ADD_USER_NAME},
        {K::Edit, IDC_ADD_USER_NAME, 80, 7, 153, 12, ""},
        {K::Label, IDC_STATIC, 7, 27, 0, 0, "Full name", S::None, IDC_ADD_USER_FULL_NAME},
        {K::Edit, IDC_ADD_USER_FULL_NAME, 80, 25, 153, 12, ""},
        {K::Label, IDC_STATIC, 7, 45, 0, 0, "Role", S::None, IDC_ADD_USER_ROLE},
        {K::ComboList, IDC_ADD_USER_ROLE, 80, 43, 153, 60, "", S::None, IDC_STATIC,
         {"administrator", "clinician", "reception"}},
        {K::Label, IDC_STATIC, 7, 63, 0, 0, "Password", S::None, IDC_ADD_USER_PASSWORD},
        {K::Edit, IDC_ADD_USER_PASSWORD, 80, 61, 153, 12, "", S::Password},
        {K::Label, IDC_STATIC, 7, 81, 0, 0, "Password again", S::None, IDC_ADD_USER_AGAIN},
        {K::Edit, IDC_ADD_USER_AGAIN, 80, 79, 153, 12, "", S::Password},
        {K::PushButton, IDOK, 126, 107, 50, 14, "Add", S::Default},
        {K::PushButton, IDCANCEL, 183, 107, 50, 14, "Cancel"},
    },
};
