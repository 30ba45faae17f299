#include "res/Forms.h"
#include "res/resource.h"

// The screen is not built yet; its form stays empty until it is.
const FormTemplate kEditClinicInfoForm = {IDD_CLINIC_INFO, 222, 200, "", {}};
