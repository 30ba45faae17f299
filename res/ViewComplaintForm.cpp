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
    IDD_VIEW_COMPLAINT, 406, 375, "",
    {
        {K::Label, IDC_STATIC, 304, 9, 0, 0, "Date *", Style::None, IDC_VISIT_DATE},
        {K::DatePicker, IDC_VISIT_DATE, 339, 7, 55, 12},

        {K::GroupBox, IDC_STATIC, 7, 51, 299, 45, "Vital signs"},
        label(visitText("temp"), 16, 66),
        vital(visitText("temp"), 72, 64, 36),
        unit(visitText("temp"), 115, 66),
        label(visitText("bp"), 172, 66),
        vital(visitText("bp"), 227, 64, 50),
        unit(visitText("bp"), 280, 66),
        label(visitText("RR"), 16, 82),
        vital(visitText("RR"), 72, 80, 41),
        unit(visitText("RR"), 115, 82),
        label(visitText("pulse"), 202, 82),
        vital(visitText("pulse"), 227, 80, 50),
        unit(visitText("pulse"), 280, 82),
        // Worked out from the height and weight as they are typed; never stored.
        {K::Label, IDC_VISIT_BMI, 138, 82, 50, 8, ""},

        {K::GroupBox, IDC_STATIC, 311, 51, 88, 45, "Physical characteristics"},
        label(visitText("height"), 319, 65),
        vital(visitText("height"), 347, 64, 30),
        unit(visitText("height"), 381, 67),
        label(visitText("weight"), 317, 83),
        vital(visitText("weight"), 347, 80, 30),
        unit(visitText("weight"), 381, 83),

        {K::GroupBox, IDC_STATIC, 7, 97, 392, 216, "Physical examination"},
        label(visitText("eyes"), 15, 110, 9),
        examination(visitText("eyes"), 15, 120),
        label(visitText("HEENT"), 206, 110, 9),
        examination(visitText("HEENT"), 206, 120),
        label(visitText("respiratory"), 15, 141),
        examination(visitText("respiratory"), 15, 152),
        label(visitText("cardiovascular"), 206, 141),
        examination(visitText("cardiovascular"), 206, 152),
        label(visitText("GIT"), 15, 175),
        examination(visitText("GIT"), 15, 186),
        label(visitText("genitourinary"), 206, 175),
        examination(visitText("genitourinary"), 206, 186, kExamination | Style::NoWrap),
        label(visitText("endocrine"), 15, 209),
        examination(visitText("endocrine"), 15, 220, kExamination | Style::NoWrap),
        label(visitText("musculoskeletal"), 206, 209),
        examination(visitText("musculoskeletal"), 206, 220),
        label(visitText("hema_lymph"), 15, 243),
        examination(visitText("hema_lymph"), 15, 254),
        label(visitText("dermatology"), 206, 243),
        examination(visitText("dermatology"), 206, 254),
        label(visitText("psycho_neuro"), 15, 277),
        examination(visitText("psycho_neuro"), 15, 288),
        label(visitText("other"), 206, 277),
        examination(visitText("other"), 206, 288),
        label(visitText("diagnosis"), 15, 316, 9),
        examination(visitText("diagnosis"), 15, 326),
        label(visitText("treatment"), 206, 316, 9),
        examination(visitText("treatment"), 206, 326),

        {K::PushButton, IDC_VISIT_ADD, 7, 353, 48, 15, "Add", Style::Disabled},
        {K::PushButton, IDC_VISIT_UPDATE, 84, 353, 48, 15, "Update", Style::Disabled},
        {K::PushButton, IDC_VISIT_DELETE, 161, 353, 48, 15, "Delete", Style::Disabled},
        {K::PushButton, IDC_VISIT_HISTORY, 238, 353, 82, 15, "History of changes\u2026",
         Style::Disabled},
        {K::PushButton, IDC_VISIT_CANCEL, 349, 353, 48, 15, "Cancel"},

        {K::Label, IDC_STATIC, 13, 9, 0, 0, "Visit ID#", Style::None, IDC_VISIT_NUMBER},
        {K::Edit, IDC_VISIT_NUMBER, 54, 7, 40, 12, "", Style::ReadOnly | Style::Disabled},
        {K::Label, IDC_STATIC, 147, 9, 0, 0, "Patient ID#", Style::None, IDC_VISIT_PATIENT_NUMBER},
        {K::Edit, IDC_VISIT_PATIENT_NUMBER, 196, 7, 41, 12, "", Style::ReadOnly},
        {K::Label, IDC_VISIT_ALLERGY_LINE, 13, 22, 386, 0},
        label(visitText("complaint"), 13, 39),
        {K::ComboEdit, IDC_VISIT_COMPLAINT, 54, 37, 345, 76, "", Style::Sorted | Style::FitWidth},
    },
};
