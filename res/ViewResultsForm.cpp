#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kViewResultsForm = {
    IDD_VIEW_RESULTS, 406, 197, "",
    {
        {K::Label, IDC_STATIC, 7, 9, 30, 10, "Search:", Style::None, IDC_RESULTS_SEARCH},
        {K::Edit, IDC_RESULTS_SEARCH, 40, 7, 359, 14},
        {K::ListView, IDC_RESULTS_LIST, 7, 25, 392, 144, "Results list", Style::ShowSelAlways},
        {K::PushButton, IDC_RESULTS_DISPLAY, 7, 176, 84, 14, "Display medical record",
         Style::Disabled},
        {K::PushButton, IDC_RESULTS_CLOSE, 105, 176, 50, 14, "Close"},
        {K::Label, IDC_RESULTS_COUNT, 165, 179, 234, 10, ""},
    },
};
