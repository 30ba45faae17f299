#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kAddMedicationForm = {
    IDD_ADD_MEDICATION, 236, 73, "Add Medication",
    {
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "Drug/Dosage *", Style::None, IDC_MED_DRUG},
        {K::ComboEdit, IDC_MED_DRUG, 59, 7, 170, 53, "",
         Style::Sorted | Style::Uppercase | Style::FitWidth},
        {K::Label, IDC_STATIC, 7, 33, 0, 0, "Status *", Style::None, IDC_MED_STATUS},
        {K::ComboList, IDC_MED_STATUS, 59, 31, 61, 42, "", Style::None, IDC_STATIC,
         {"New Chronic", "Old Chronic", "Temporary"}},
        {K::PushButton, IDOK, 7, 52, 50, 14, "Add", Style::Default},
        {K::PushButton, IDCANCEL, 179, 52, 50, 14, "Cancel"},
    },
};
