#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

// The name box is not sorted: its positions index the patients' numbers. The age-unit box is
// sorted, which puts its entries at the positions of the age-unit codes. Labels take the
// width of their words, so no face cuts them short.
const FormTemplate kIssuPrescriptionForm = {
    IDD_ISSUE_PRESCRIPTION, 249, 209, "",
    {
        {K::Label, IDC_STATIC, 7, 9, 0, 0, "Patient Name *", S::None, IDC_RX_PATIENT_NAME},
        {K::ComboEdit, IDC_RX_PATIENT_NAME, 62, 7, 138, 69, "", S::FitWidth},
        {K::Label, IDC_STATIC, 7, 31, 0, 0, "Age *", S::None, IDC_RX_AGE},
        {K::Edit, IDC_RX_AGE, 62, 29, 31, 12, "", S::Digits},
        {K::ComboList, IDC_RX_AGE_UNIT, 99, 29, 47, 50, "Age unit", S::Sorted, IDC_STATIC,
         {"Day(s)", "Month(s)", "Year(s)"}},
        {K::Label, IDC_STATIC, 7, 51, 0, 0, "Diagnosis *", S::None, IDC_RX_DIAGNOSIS},
        {K::MultiEdit, IDC_RX_DIAGNOSIS, 62, 51, 180, 29, "", S::WantReturn},
        {K::Label, IDC_RX_ALLERGY_LINE, 7, 83, 235, 0},
        {K::Label, IDC_STATIC, 7, 100, 0, 0, "Drug/Dosage", S::None, IDC_RX_DRUG},
        {K::ComboEdit, IDC_RX_DRUG, 62, 98, 180, 65, "", S::Sorted | S::Uppercase | S::FitWidth},
        {K::PushButton, IDC_RX_ADD_TO_LIST, 61, 117, 57, 14, "Add to list"},
        {K::PushButton, IDC_RX_REMOVE_FROM_LIST, 185, 116, 57, 14, "Remove from list"},
        {K::Label, IDC_STATIC, 7, 138, 0, 0, "Prescriptions *", S::None, IDC_RX_PRESCRIPTIONS},
        {K::ListBox, IDC_RX_PRESCRIPTIONS, 62, 138, 180, 41},
        {K::PushButton, IDC_RX_PRINT, 7, 187, 62, 14, "Print prescription"},
        {K::PushButton, IDC_RX_RESET, 98, 187, 63, 14, "Reset all fields"},
        {K::PushButton, IDC_RX_CANCEL, 190, 187, 52, 14, "Cancel"},
    },
};
