#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kAddTestForm = {IDD_ADD_TEST, 245, 92, "Add Test", {}};
