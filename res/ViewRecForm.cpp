#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kViewRecForm = {
    IDD_VIEW_REC, 406, 222, "",
    {
        {K::Label, IDC_STATIC, 7, 25, 0, 0, "First Name *", Style::None, IDC_REC_FIRST_NAME},
        {K::Edit, IDC_REC_FIRST_NAME, 51, 23, 68, 12},
        {K::Label, IDC_STATIC, 143, 25, 0, 0, "Last Name *", Style::None, IDC_REC_LAST_NAME},
        {K::Edit, IDC_REC_LAST_NAME, 194, 23, 70, 12},
        {K::Label, IDC_STATIC, 143, 9, 0, 0, "D.O.B", Style::None, IDC_REC_DOB},
        {K::DatePicker, IDC_REC_DOB, 194, 7, 55, 12},
        {K::Label, IDC_STATIC, 272, 9, 0, 0, "Telephone", Style::None, IDC_REC_TELEPHONE},
        {K::Edit, IDC_REC_TELEPHONE, 317, 7, 52, 12},
        {K::Label, IDC_STATIC, 283, 25, 0, 0, "Gender"},
        {K::RadioButton, IDC_REC_MALE, 317, 25, 31, 10, "Male", Style::Group},
        {K::RadioButton, IDC_REC_FEMALE, 358, 25, 39, 10, "Female"},
        {K::Label, IDC_STATIC, 7, 39, 0, 0, "Address", Style::None, IDC_REC_ADDRESS},
        {K::MultiEdit, IDC_REC_ADDRESS, 51, 39, 198, 30, "", Style::WantReturn},
        {K::PushButton, IDC_REC_UPDATE_INFO, 348, 45, 49, 14, "Update info", Style::Disabled},
        {K::Label, IDC_REC_ALLERGY_LINE, 7, 73, 390, 0},
        {K::GroupBox, IDC_STATIC, 7, 85, 390, 113, "History type"},
        {K::RadioButton, IDC_REC_VISITS, 14, 98, 32, 10, "Visits", Style::Group},
        {K::RadioButton, IDC_REC_MEDICAL, 55, 98, 41, 10, "Medical"},
        {K::RadioButton, IDC_REC_SURGICAL, 105, 98, 41, 10, "Surgical"},
        {K::RadioButton, IDC_REC_SOCIAL, 155, 98, 35, 10, "Social"},
        {K::RadioButton, IDC_REC_FAMILY, 199, 98, 35, 10, "Family"},
        {K::RadioButton, IDC_REC_ALLERGIES, 243, 98, 42, 10, "Allergies"},
        {K::RadioButton, IDC_REC_MEDICATIONS, 294, 98, 54, 10, "Medications"},
        {K::RadioButton, IDC_REC_TESTS, 357, 98, 33, 10, "Tests"},
        {K::ListView, IDC_REC_HISTORY_LIST, 13, 109, 378, 65, "History list"},
        {K::PushButton, IDC_REC_ADD, 13, 179, 50, 14, "Add"},
        {K::PushButton, IDC_REC_VIEW_EDIT, 73, 179, 50, 14, "View/Edit"},
        {K::PushButton, IDC_REC_DELETE, 133, 179, 50, 14, "Delete"},
        {K::PushButton, IDC_REC_CHARTS, 193, 179, 50, 14, "Charts\u2026"},
        {K::PushButton, IDC_REC_DELETE_RECORD, 257, 201, 50, 14, "Delete record"},
        {K::PushButton, IDC_REC_CLOSE, 349, 201, 50, 14, "Close"},
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "ID #", Style::None, IDC_REC_PATIENT_NUMBER},
        {K::Edit, IDC_REC_PATIENT_NUMBER, 51, 7, 51, 12, "", Style::ReadOnly | Style::Disabled},
    },
};
