#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;

const FormTemplate kAboutForm = {
    IDD_ABOUTBOX, 235, 83, "About Medora",
    {
        {K::Label, IDC_ABOUT_ICON, 11, 10, 20, 20, ""},
        {K::Label, IDC_STATIC, 40, 10, 180, 10, "Medora version 1.0"},
        {K::Label, IDC_STATIC, 40, 22, 188, 10, "Medical records for a single doctor's clinic."},
        {K::Label, IDC_STATIC, 40, 34, 188, 10, "Written by the Medora developers, 2026."},
        {K::Label, IDC_STATIC, 40, 46, 188, 10, "Built on Qt, SQLite and CUPS."},
        {K::PushButton, IDOK, 178, 62, 50, 14, "OK", Style::Default},
    },
};
