#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kViewRecForm = {IDD_VIEW_REC, 406, 209, "", {}};
