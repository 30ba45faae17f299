#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kFindNameForm = {IDD_FIND_NAME, 189, 58, "", {}};
