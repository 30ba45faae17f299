#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kServerPasswordForm = {
    IDD_SERVER_PASSWORD, 220, 76, "Clinic server password",
    {
        {K::Label, IDC_PASSWORD_PROMPT, 7, 7, 206, 26,
         "The clinic server asks for a password that this computer does not hold."},
        {K::Label, IDC_STATIC, 7, 40, 0, 0, "Password", S::None, IDC_PASSWORD},
        {K::Edit, IDC_PASSWORD, 50, 38, 163, 12, "", S::Password},
        {K::PushButton, IDOK, 106, 55, 50, 14, "OK", S::Default},
        {K::PushButton, IDCANCEL, 163, 55, 50, 14, "Cancel"},
    },
};
