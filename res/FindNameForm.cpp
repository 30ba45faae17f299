#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

// The name box is not sorted: its positions index the patients' numbers.
const FormTemplate kFindNameForm = {
    IDD_FIND_NAME, 189, 58, "",
    {
        {K::Label, IDC_STATIC, 7, 9, 54, 10, "Patient's name *", Style::None, IDC_FINDNAME_NAME},
        {K::ComboEdit, IDC_FINDNAME_NAME, 62, 7, 120, 50, "", Style::FitWidth},
        {K::PushButton, IDC_FINDNAME_LOCATE, 7, 37, 50, 14, "Locate"},
        {K::PushButton, IDC_FINDNAME_CANCEL, 132, 37, 50, 14, "Cancel"},
    },
};
