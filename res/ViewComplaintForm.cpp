#include "res/Forms.h"
#include "res/resource.h"
#include "store/VisitField.h"

using K = ControlKind;

namespace {

const unsigned kExamination = Style::WantReturn;

// The visit fields' controls take their labels, units, kinds and ids from the visit fields;
// only where they sit is said here.
ControlTemplate label(size_t text, int x, int y, int height = 0) {
    const VisitField& field = kVisitFields[text];
    return {K::Label, IDC_STATIC, x, y, 0, height, field.label, Style::None, field.control};
}

ControlTemplate unit(size_t text, int x, int y) {
    return {K::Label, IDC_STATIC, x, y, 0, 0, kVisitFields[text].formUnit};
}

ControlTemplate vital(size_t text, int x, int y, int width) {
    const VisitField& field = kVisitFields[text];
    const unsigned style = field.kind == VisitKind::Whole ? Style::Digits : Style::None;
    return {K::Edit, field.control, x, y, width, 12, "", style};
}

ControlTemplate examination(size_t text, int x, int y, unsigned style = kExamination) {
    return {K::MultiEdit, kVisitFields[text].control, x, y, 185, 20, "", style};
}

} // namespace

// Controls in tab order; the complaint box comes last, after the buttons.
const FormTemplate kViewComplaintForm = {
    IDD_VIEW_COMPLAINT, 406, 362, "",
    {
        {K::Label, IDC_STATIC, 304, 9, 0, 0, "Date *", Style::None, IDC_VISIT_DATE},
        {K::DatePicker, IDC_VISIT_DATE, 339, 7, 55, 12},

        {K::GroupBox, IDC_STATIC, 7, 38, 299, 45, "Vital signs"},
        label(visitText("temp"), 16, 53),
        vital(visitText("temp"), 72, 51, 36),
        unit(visitText("temp"), 115, 53),
        label(visitText("bp"), 172, 53),
        vital(visitText("bp"), 227, 51, 50),
        unit(visitText("bp"), 280, 53),
        label(visitText("RR"), 16, 69),
        vital(visitText("RR"), 72, 67, 41),
        unit(visitText("RR"), 115, 69),
        label(visitText("pulse"), 202, 69),
        vital(visitText("pulse"), 227, 67, 50),
        unit(visitText("pulse"), 280, 69),
        // Worked out from the height and weight as they are typed; never stored.
        {K::Label, IDC_VISIT_BMI, 138, 69, 50, 8, ""},

        {K::GroupBox, IDC_STATIC, 311, 38, 88, 45, "Physical characteristics"},
        label(visitText("height"), 319, 52),
        vital(visitText("height"), 347, 51, 30),
        unit(visitText("height"), 381, 54),
        label(visitText("weight"), 317, 70),
        vital(visitText("weight"), 347, 67, 30),
        unit(visitText("weight"), 381, 70),

        {K::GroupBox, IDC_STATIC, 7, 84, 392, 216, "Physical examination"},
        label(visitText("eyes"), 15, 97, 9),
        examination(visitText("eyes"), 15, 107),
        label(visitText("HEENT"), 206, 97, 9),
        examination(visitText("HEENT"), 206, 107),
        label(visitText("respiratory"), 15, 128),
        examination(visitText("respiratory"), 15, 139),
        label(visitText("cardiovascular"), 206, 128),
        examination(visitText("cardiovascular"), 206, 139),
        label(visitText("GIT"), 15, 162),
        examination(visitText("GIT"), 15, 173),
        label(visitText("genitourinary"), 206, 162),
        examination(visitText("genitourinary"), 206, 173, kExamination | Style::NoWrap),
        label(visitText("endocrine"), 15, 196),
        examination(visitText("endocrine"), 15, 207, kExamination | Style::NoWrap),
        label(visitText("musculoskeletal"), 206, 196),
        examination(visitText("musculoskeletal"), 206, 207),
        label(visitText("hema_lymph"), 15, 230),
        examination(visitText("hema_lymph"), 15, 241),
        label(visitText("dermatology"), 206, 230),
        examination(visitText("dermatology"), 206, 241),
        label(visitText("psycho_neuro"), 15, 264),
        examination(visitText("psycho_neuro"), 15, 275),
        label(visitText("other"), 206, 264),
        examination(visitText("other"), 206, 275),
        label(visitText("diagnosis"), 15, 303, 9),
        examination(visitText("diagnosis"), 15, 313),
        label(visitText("treatment"), 206, 303, 9),
        examination(visitText("treatment"), 206, 313),

        {K::PushButton, IDC_VISIT_ADD, 7, 340, 48, 15, "Add", Style::Disabled},
        {K::PushButton, IDC_VISIT_UPDATE, 121, 340, 48, 15, "Update", Style::Disabled},
        {K::PushButton, IDC_VISIT_DELETE, 235, 340, 48, 15, "Delete", Style::Disabled},
        {K::PushButton, IDC_VISIT_CANCEL, 349, 340, 48, 15, "Cancel"},

        {K::Label, IDC_STATIC, 13, 9, 0, 0, "Visit ID#", Style::None, IDC_VISIT_NUMBER},
        {K::Edit, IDC_VISIT_NUMBER, 54, 7, 40, 12, "", Style::ReadOnly | Style::Disabled},
        {K::Label, IDC_STATIC, 147, 9, 0, 0, "Patient ID#", Style::None, IDC_VISIT_PATIENT_NUMBER},
        {K::Edit, IDC_VISIT_PATIENT_NUMBER, 196, 7, 41, 12, "", Style::ReadOnly},
        label(visitText("complaint"), 13, 26),
        {K::ComboEdit, IDC_VISIT_COMPLAINT, 54, 24, 345, 76, "", Style::Sorted | Style::FitWidth},
    },
};
