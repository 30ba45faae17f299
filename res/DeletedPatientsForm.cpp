#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kDeletedPatientsForm = {
    IDD_DELETED_PATIENTS, 330, 176, "Deleted patients",
    {
        {K::Label, IDC_STATIC, 7, 7, 316, 10,
         "Patients whose record was deleted; each comes back whole, with its old number:"},
        {K::ListView, IDC_DELETED_LIST, 7, 19, 316, 128, "", S::ShowSelAlways},
        {K::PushButton, IDC_DELETED_BRING_BACK, 216, 155, 50, 14, "Bring back"},
        {K::PushButton, IDCANCEL, 273, 155, 50, 14, "Close"},
    },
};
