#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kAddTestForm = {
    IDD_ADD_TEST, 245, 92, "Add Test",
    {
        {K::Label, IDC_STATIC, 7, 7, 0, 0, "Test date", Style::None, IDC_TEST_DATE},
        {K::DatePicker, IDC_TEST_DATE, 41, 7, 55, 12},
        {K::Label, IDC_STATIC, 7, 31, 0, 0, "Type *", Style::None, IDC_TEST_TYPE},
        {K::ComboEdit, IDC_TEST_TYPE, 41, 29, 89, 62, "",
         Style::Sorted | Style::Uppercase | Style::FitWidth},
        {K::Label, IDC_STATIC, 7, 52, 0, 0, "Results *", Style::None, IDC_TEST_RESULTS},
        {K::Edit, IDC_TEST_RESULTS, 41, 50, 197, 12},
        {K::PushButton, IDOK, 7, 71, 50, 14, "Add", Style::Default},
        {K::PushButton, IDCANCEL, 188, 71, 50, 14, "Cancel"},
    },
};
