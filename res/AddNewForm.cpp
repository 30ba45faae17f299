#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kAddNewForm = {
    IDD_ADD_NEW, 206, 164, "",
    {
        {K::Label, IDC_STATIC, 7, 7, 0, 0, "* means required."},
        {K::Label, IDC_STATIC, 7, 25, 0, 0, "First Name *", Style::None, IDC_ADDNEW_FIRST_NAME},
        {K::Edit, IDC_ADDNEW_FIRST_NAME, 53, 23, 88, 12},
        {K::Label, IDC_STATIC, 7, 45, 0, 0, "Last Name *", Style::None, IDC_ADDNEW_LAST_NAME},
        {K::Edit, IDC_ADDNEW_LAST_NAME, 53, 43, 88, 12},
        {K::Label, IDC_STATIC, 153, 22, 0, 0, "Gender"},
        {K::RadioButton, IDC_ADDNEW_MALE, 153, 33, 0, 0, "Male", Style::Group},
        {K::RadioButton, IDC_ADDNEW_FEMALE, 153, 45, 0, 0, "Female"},
        {K::Label, IDC_STATIC, 7, 65, 0, 0, "D.O.B", Style::None, IDC_ADDNEW_DOB},
        {K::DatePicker, IDC_ADDNEW_DOB, 53, 63, 58, 12},
        {K::Label, IDC_STATIC, 7, 83, 0, 0, "Address", Style::None, IDC_ADDNEW_ADDRESS},
        {K::MultiEdit, IDC_ADDNEW_ADDRESS, 53, 83, 146, 30, "", Style::WantReturn},
        {K::Label, IDC_STATIC, 7, 123, 0, 0, "Telephone", Style::None, IDC_ADDNEW_TELEPHONE},
        {K::Edit, IDC_ADDNEW_TELEPHONE, 53, 121, 88, 12},
        {K::PushButton, IDC_ADDNEW_ADD, 7, 143, 50, 14, "Add", Style::Default},
        {K::PushButton, IDC_ADDNEW_CANCEL, 145, 143, 54, 14, "Cancel"},
    },
};
