#pragma once

#include "platform/FormTemplate.h"

// The form templates of every screen and dialog, one file each.
extern const FormTemplate kAboutForm;            // 100
extern const FormTemplate kMainMenuForm;         // 102
extern const FormTemplate kAddNewForm;           // 105
extern const FormTemplate kFindIDForm;           // 107
extern const FormTemplate kFindNameForm;         // 109
extern const FormTemplate kViewResultsForm;      // 112
extern const FormTemplate kViewRecForm;          // 116
extern const FormTemplate kViewComplaintForm;    // 118
extern const FormTemplate kAddTestForm;          // 120
extern const FormTemplate kAddMedicationForm;    // 121
extern const FormTemplate kIssuPrescriptionForm; // 122
extern const FormTemplate kEditClinicInfoForm;   // 133
extern const FormTemplate kAddEntryForm;         // 139
extern const FormTemplate kRecordsDatabaseForm;  // 140
extern const FormTemplate kBackupsForm;          // 142
extern const FormTemplate kVitalChartsForm;      // 150
extern const FormTemplate kSignInForm;           // 152
extern const FormTemplate kChangePasswordForm;   // 153
extern const FormTemplate kUsersForm;            // 154
extern const FormTemplate kAddUserForm;          // 155
extern const FormTemplate kAuditTrailForm;       // 156
extern const FormTemplate kDeletedPatientsForm;  // 157
extern const FormTemplate kHistoryOfChangesForm; // 158

// Every form above, for whatever looks at them all.
inline const FormTemplate* const kEveryForm[] = {
    &kAboutForm,    &kMainMenuForm,      &kAddNewForm,           &kFindIDForm,
    &kFindNameForm, &kViewResultsForm,   &kViewRecForm,          &kViewComplaintForm,
    &kAddTestForm,  &kAddMedicationForm, &kIssuPrescriptionForm, &kEditClinicInfoForm,
    &kAddEntryForm, &kRecordsDatabaseForm, &kBackupsForm,
    &kVitalChartsForm, &kSignInForm, &kChangePasswordForm, &kUsersForm,
    &kAddUserForm, &kAuditTrailForm, &kDeletedPatientsForm, &kHistoryOfChangesForm,
};
