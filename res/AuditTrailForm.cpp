#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kAuditTrailForm = {
    IDD_AUDIT_TRAIL, 400, 262, "Audit trail",
    {
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "From", S::None, IDC_AUDIT_FROM},
        {K::Edit, IDC_AUDIT_FROM, 30, 7, 50, 12, ""},
        {K::Label, IDC_STATIC, 86, 9, 0, 0, "To", S::None, IDC_AUDIT_TO},
        {K::Edit, IDC_AUDIT_TO, 100, 7, 50, 12, ""},
        {K::Label, IDC_STATIC, 158, 9, 0, 0, "Patient", S::None, IDC_AUDIT_PATIENT},
        {K::Edit, IDC_AUDIT_PATIENT, 186, 7, 40, 12, "", S::Digits},
        {K::Label, IDC_STATIC, 232, 9, 0, 0, "User", S::None, IDC_AUDIT_USER},
        {K::Edit, IDC_AUDIT_USER, 252, 7, 50, 12, ""},
        {K::Label, IDC_STATIC, 7, 27, 0, 0, "Action", S::None, IDC_AUDIT_ACTION},
        {K::Edit, IDC_AUDIT_ACTION, 30, 25, 50, 12, ""},
        {K::Label, IDC_STATIC, 86, 27, 260, 10, "Days as YYYY-MM-DD; an empty field matches all."},
        {K::PushButton, IDC_AUDIT_SHOW, 343, 7, 50, 14, "Show", S::Default},
        {K::ListView, IDC_AUDIT_LIST, 7, 43, 386, 120, "", S::ShowSelAlways},
        {K::Label, IDC_STATIC, 7, 168, 0, 0, "Details of the chosen entry", S::None,
         IDC_AUDIT_DETAILS},
        {K::MultiEdit, IDC_AUDIT_DETAILS, 7, 179, 386, 56, "", S::ReadOnly},
        {K::PushButton, IDC_AUDIT_EXPORT, 286, 241, 50, 14, "Export\u2026"},
        {K::PushButton, IDCANCEL, 343, 241, 50, 14, "Close"},
    },
};
