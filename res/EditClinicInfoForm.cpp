#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kEditClinicInfoForm = {
    IDD_CLINIC_INFO, 222, 200, "",
    {
        {K::Label, IDC_STATIC, 7, 7, 208, 20,
         "All fields are required. Enter information as they will appear on prescription and "
         "report headers."},
        {K::Label, IDC_STATIC, 7, 39, 0, 0, "Clinic/Group name", S::None, IDC_CLINIC_NAME},
        {K::Edit, IDC_CLINIC_NAME, 86, 37, 116, 12},
        {K::Label, IDC_STATIC, 7, 57, 0, 0, "Doctor's name", S::None, IDC_CLINIC_DOCTOR_NAME},
        {K::Edit, IDC_CLINIC_DOCTOR_NAME, 85, 55, 116, 12},
        {K::Label, IDC_STATIC, 7, 75, 0, 0, "Doctor's qualifications", S::None,
         IDC_CLINIC_QUALIFICATIONS},
        {K::Edit, IDC_CLINIC_QUALIFICATIONS, 85, 73, 116, 12},
        {K::Label, IDC_STATIC, 7, 93, 0, 0, "Telephone", S::None, IDC_CLINIC_PHONE},
        {K::Edit, IDC_CLINIC_PHONE, 85, 91, 51, 12},
        {K::Label, IDC_STATIC, 7, 111, 0, 0, "Address street", S::None, IDC_CLINIC_STREET},
        {K::Edit, IDC_CLINIC_STREET, 85, 109, 116, 12},
        {K::Label, IDC_STATIC, 7, 129, 0, 0, "City", S::None, IDC_CLINIC_CITY},
        {K::Edit, IDC_CLINIC_CITY, 85, 127, 51, 12},
        {K::Label, IDC_STATIC, 7, 147, 0, 0, "Province", S::None, IDC_CLINIC_PROVINCE},
        {K::Edit, IDC_CLINIC_PROVINCE, 85, 145, 51, 12},
        {K::Label, IDC_STATIC, 7, 165, 0, 0, "Postal code", S::None, IDC_CLINIC_POSTAL_CODE},
        {K::Edit, IDC_CLINIC_POSTAL_CODE, 85, 163, 38, 12},
        {K::PushButton, IDC_CLINIC_UPDATE, 7, 179, 40, 14, "Update", S::Disabled},
        {K::PushButton, IDC_CLINIC_CANCEL, 175, 179, 40, 14, "Cancel"},
    },
};
