#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

namespace {
const unsigned kExamination = Style::WantReturn;
}

// Controls in tab order; the complaint box comes last, after the buttons.
const FormTemplate kViewComplaintForm = {
    IDD_VIEW_COMPLAINT, 406, 362, "",
    {
        {K::Label, IDC_STATIC, 304, 9, 0, 0, "Date *", Style::None, IDC_VISIT_DATE},
        {K::DatePicker, IDC_VISIT_DATE, 339, 7, 55, 12},

        {K::GroupBox, IDC_STATIC, 7, 38, 299, 45, "Vital signs"},
        {K::Label, IDC_STATIC, 16, 53, 0, 0, "Temperature", Style::None, IDC_VISIT_TEMPERATURE},
        {K::Edit, IDC_VISIT_TEMPERATURE, 72, 51, 36, 12},
        {K::Label, IDC_STATIC, 115, 53, 0, 0, "C°"},
        {K::Label, IDC_STATIC, 172, 53, 0, 0, "Blood Pressure", Style::None,
         IDC_VISIT_BLOOD_PRESSURE},
        {K::Edit, IDC_VISIT_BLOOD_PRESSURE, 227, 51, 50, 12},
        {K::Label, IDC_STATIC, 280, 53, 0, 0, "mmHg"},
        {K::Label, IDC_STATIC, 16, 69, 0, 0, "Respiratory rate", Style::None,
         IDC_VISIT_RESPIRATORY_RATE},
        {K::Edit, IDC_VISIT_RESPIRATORY_RATE, 72, 67, 41, 12, "", Style::Digits},
        {K::Label, IDC_STATIC, 115, 69, 0, 0, "min"},
        {K::Label, IDC_STATIC, 202, 69, 0, 0, "Pulse", Style::None, IDC_VISIT_PULSE},
        {K::Edit, IDC_VISIT_PULSE, 227, 67, 50, 12, "", Style::Digits},
        {K::Label, IDC_STATIC, 280, 69, 0, 0, "min"},

        {K::GroupBox, IDC_STATIC, 311, 38, 88, 45, "Physical characteristics"},
        {K::Label, IDC_STATIC, 319, 52, 0, 0, "Height", Style::None, IDC_VISIT_HEIGHT},
        {K::Edit, IDC_VISIT_HEIGHT, 347, 51, 30, 12, "", Style::Digits},
        {K::Label, IDC_STATIC, 381, 54, 0, 0, "cm"},
        {K::Label, IDC_STATIC, 317, 70, 0, 0, "Weight", Style::None, IDC_VISIT_WEIGHT},
        {K::Edit, IDC_VISIT_WEIGHT, 347, 67, 30, 12},
        {K::Label, IDC_STATIC, 381, 70, 0, 0, "Kg"},

        {K::GroupBox, IDC_STATIC, 7, 84, 392, 216, "Physical examination"},
        {K::Label, IDC_STATIC, 15, 97, 0, 9, "Eyes", Style::None, IDC_VISIT_EYES},
        {K::MultiEdit, IDC_VISIT_EYES, 15, 107, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 97, 0, 9, "Head, Ears, Nose and Throat", Style::None,
         IDC_VISIT_HEENT},
        {K::MultiEdit, IDC_VISIT_HEENT, 206, 107, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 15, 128, 0, 0, "Respiratory", Style::None, IDC_VISIT_RESPIRATORY},
        {K::MultiEdit, IDC_VISIT_RESPIRATORY, 15, 139, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 128, 0, 0, "Cardiovascular", Style::None,
         IDC_VISIT_CARDIOVASCULAR},
        {K::MultiEdit, IDC_VISIT_CARDIOVASCULAR, 206, 139, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 15, 162, 0, 0, "Gastrointestinal", Style::None,
         IDC_VISIT_GASTROINTESTINAL},
        {K::MultiEdit, IDC_VISIT_GASTROINTESTINAL, 15, 173, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 162, 0, 0, "Genitourinary", Style::None,
         IDC_VISIT_GENITOURINARY},
        {K::MultiEdit, IDC_VISIT_GENITOURINARY, 206, 173, 185, 20, "", kExamination | Style::NoWrap},
        {K::Label, IDC_STATIC, 15, 196, 0, 0, "Endocrine", Style::None, IDC_VISIT_ENDOCRINE},
        {K::MultiEdit, IDC_VISIT_ENDOCRINE, 15, 207, 185, 20, "", kExamination | Style::NoWrap},
        {K::Label, IDC_STATIC, 206, 196, 0, 0, "Musculoskeletal", Style::None,
         IDC_VISIT_MUSCULOSKELETAL},
        {K::MultiEdit, IDC_VISIT_MUSCULOSKELETAL, 206, 207, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 15, 230, 0, 0, "Hematology/Lymphatics", Style::None,
         IDC_VISIT_HEMA_LYMPH},
        {K::MultiEdit, IDC_VISIT_HEMA_LYMPH, 15, 241, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 230, 0, 0, "Dermatology", Style::None, IDC_VISIT_DERMATOLOGY},
        {K::MultiEdit, IDC_VISIT_DERMATOLOGY, 206, 241, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 15, 264, 0, 0, "Psycological/Neurological", Style::None,
         IDC_VISIT_PSYCHO_NEURO},
        {K::MultiEdit, IDC_VISIT_PSYCHO_NEURO, 15, 275, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 264, 0, 0, "Other/Misc. notes", Style::None, IDC_VISIT_OTHER},
        {K::MultiEdit, IDC_VISIT_OTHER, 206, 275, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 15, 303, 0, 9, "Diagnosis", Style::None, IDC_VISIT_DIAGNOSIS},
        {K::MultiEdit, IDC_VISIT_DIAGNOSIS, 15, 313, 185, 20, "", kExamination},
        {K::Label, IDC_STATIC, 206, 303, 0, 9, "Treatment plan", Style::None, IDC_VISIT_TREATMENT},
        {K::MultiEdit, IDC_VISIT_TREATMENT, 206, 313, 185, 20, "", kExamination},

        {K::PushButton, IDC_VISIT_ADD, 7, 340, 48, 15, "Add", Style::Disabled},
        {K::PushButton, IDC_VISIT_UPDATE, 121, 340, 48, 15, "Update", Style::Disabled},
        {K::PushButton, IDC_VISIT_DELETE, 235, 340, 48, 15, "Delete", Style::Disabled},
        {K::PushButton, IDC_VISIT_CANCEL, 349, 340, 48, 15, "Cancel"},

        {K::Label, IDC_STATIC, 13, 9, 0, 0, "Visit ID#", Style::None, IDC_VISIT_NUMBER},
        {K::Edit, IDC_VISIT_NUMBER, 54, 7, 40, 12, "", Style::ReadOnly | Style::Disabled},
        {K::Label, IDC_STATIC, 147, 9, 0, 0, "Patient ID#", Style::None, IDC_VISIT_PATIENT_NUMBER},
        {K::Edit, IDC_VISIT_PATIENT_NUMBER, 196, 7, 41, 12, "", Style::ReadOnly},
        {K::Label, IDC_STATIC, 13, 26, 0, 0, "Complaint *", Style::None, IDC_VISIT_COMPLAINT},
        {K::ComboEdit, IDC_VISIT_COMPLAINT, 54, 24, 345, 76, "", Style::Sorted | Style::FitWidth},
    },
};
