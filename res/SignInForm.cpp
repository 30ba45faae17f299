#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kSignInForm = {
    IDD_SIGN_IN, 220, 92, "Sign in",
    {
        {K::Label, IDC_SIGN_IN_PROMPT, 7, 7, 206, 18, "Sign in to work with the records."},
        {K::Label, IDC_STATIC, 7, 32, 0, 0, "User name", S::None, IDC_SIGN_IN_NAME},
        {K::Edit, IDC_SIGN_IN_NAME, 60, 30, 153, 12, ""},
        {K::Label, IDC_STATIC, 7, 50, 0, 0, "Password", S::None, IDC_SIGN_IN_PASSWORD},
        {K::Edit, IDC_SIGN_IN_PASSWORD, 60, 48, 153, 12, "", S::Password},
        {K::PushButton, IDOK, 106, 71, 50, 14, "Sign in", S::Default},
        {K::PushButton, IDCANCEL, 163, 71, 50, 14, "Exit"},
    },
};
