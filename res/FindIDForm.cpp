#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kFindIDForm = {
    IDD_FIND_ID, 138, 58, "",
    {
        {K::Label, IDC_STATIC, 7, 9, 46, 10, "Patient ID #: *", Style::None, IDC_FINDID_PATIENT_ID},
        {K::Edit, IDC_FINDID_PATIENT_ID, 57, 7, 41, 12, "", Style::Digits},
        {K::PushButton, IDC_FINDID_LOCATE, 7, 36, 50, 14, "Locate", Style::Default},
        {K::PushButton, IDC_FINDID_CANCEL, 81, 36, 50, 14, "Cancel"},
    },
};
