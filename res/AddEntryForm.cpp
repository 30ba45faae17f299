#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kAddEntryForm = {IDD_ADD_ENTRY, 240, 81, "Add new history entry", {}};
