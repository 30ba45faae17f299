#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kFindIDForm = {IDD_FIND_ID, 138, 58, "", {}};
