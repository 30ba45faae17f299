#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kAddNewForm = {IDD_ADD_NEW, 206, 164, "", {}};
