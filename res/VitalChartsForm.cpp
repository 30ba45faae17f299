#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

// The charts take whatever room the window gives them.
const FormTemplate kVitalChartsForm = {
    IDD_VITAL_CHARTS, 406, 209, "",
    {
        {K::Label, IDC_CHARTS_PATIENT, 7, 7, 392, 10, ""},
        {K::Panel, IDC_CHARTS_AREA, 7, 20, 392, 162, "Vital signs charts"},
        {K::PushButton, IDC_CHARTS_SAVE, 7, 188, 60, 14, "Save picture\u2026"},
        {K::PushButton, IDC_CHARTS_PRINT, 73, 188, 50, 14, "Print\u2026"},
        {K::PushButton, IDC_CHARTS_CLOSE, 349, 188, 50, 14, "Close"},
    },
};
