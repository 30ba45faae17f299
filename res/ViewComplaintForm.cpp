#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kViewComplaintForm = {IDD_VIEW_COMPLAINT, 406, 362, "", {}};
