#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kAddMedicationForm = {IDD_ADD_MEDICATION, 236, 73, "Add Medication", {}};
