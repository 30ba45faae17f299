#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kIssuPrescriptionForm = {IDD_ISSUE_PRESCRIPTION, 249, 201, "", {}};
