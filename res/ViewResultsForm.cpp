#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kViewResultsForm = {
    IDD_VIEW_RESULTS, 406, 179, "",
    {
        {K::ListView, IDC_RESULTS_LIST, 7, 7, 392, 144, "Results list", Style::ShowSelAlways},
        {K::PushButton, IDC_RESULTS_DISPLAY, 7, 158, 84, 14, "Display medical record",
         Style::Disabled},
        {K::PushButton, IDC_RESULTS_CLOSE, 105, 158, 50, 14, "Close"},
    },
};
