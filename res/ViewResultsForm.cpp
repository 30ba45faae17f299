#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kViewResultsForm = {IDD_VIEW_RESULTS, 406, 179, "", {}};
