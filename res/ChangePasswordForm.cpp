#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kChangePasswordForm = {
    IDD_CHANGE_PASSWORD, 240, 92, "Change password",
    {
        {K::Label, IDC_NEW_PASSWORD_PROMPT, 7, 7, 226, 18,
         "Choose a new password of at least 10 characters."},
        {K::Label, IDC_STATIC, 7, 32, 0, 0, "New password", S::None, IDC_NEW_PASSWORD},
        {K::Edit, IDC_NEW_PASSWORD, 80, 30, 153, 12, "", S::Password},
        {K::Label, IDC_STATIC, 7, 50, 0, 0, "New password again", S::None,
         IDC_NEW_PASSWORD_AGAIN},
        {K::Edit, IDC_NEW_PASSWORD_AGAIN, 80, 48, 153, 12, "", S::Password},
        {K::PushButton, IDOK, 126, 71, 50, 14, "OK", S::Default},
        {K::PushButton, IDCANCEL, 183, 71, 50, 14, "Cancel"},
    },
};
