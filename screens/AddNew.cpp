#include "screens/AddNew.h"

#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/BirthDate.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/LastFailure.h"
#include "store/PatientRecord.h"

AddNew::AddNew() : FormView(kAddNewForm) {
    onCommandAndClick(ID_ADDNEW_ADD, IDC_ADDNEW_ADD, [this] { addPatient(); });
    onCommandAndClick(ID_ADDNEW_CANCEL, IDC_ADDNEW_CANCEL, [this] { cancel(); });
}

void AddNew::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    gender = 0;
    UpdateData(false);
}

void AddNew::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_ADDNEW_FIRST_NAME, firstName, 50);
    dx.text(IDC_ADDNEW_LAST_NAME, lastName, 50);
    dx.text(IDC_ADDNEW_TELEPHONE, telephone, 50);
    dx.text(IDC_ADDNEW_ADDRESS, address, 255);
    dx.date(IDC_ADDNEW_DOB, dob);
    dx.radio(IDC_ADDNEW_MALE, gender);
}

void AddNew::addPatient() {
    UpdateData(true);
    if (lastName.empty() || firstName.empty()) {
        MessageBox(this, "Please complete all the required fileds (marked with * ).", "Error",
                   MsgIcon::Information);
        return;
    }
    if (!BirthDate::confirm(this, IDC_ADDNEW_DOB, dob))
        return;
    PatientRecord record;
    if (!record.Add(firstName, lastName, dob, gender, address, telephone)) {
        StoreFailure::show(this, "Error adding new record");
        if (LastFailure::kind() == FailureKind::OutcomeUnknown)
            showNamesakes();
        return;
    }
    const int answer = MessageBox(
        this, "Record added successfuly, would you like to view and edit the record details?",
        "Confirmation", MsgIcon::Question, MsgButtons::YesNo);
    if (answer != IDYES) {
        cancel();
        return;
    }
    // This screen stays open beneath the record until the next time add screens are closed.
    Navigator::instance().showPatient(record.m_id);
}

// The patient may have been added after all: the list of patients found by the name typed
// shows whether, before the user adds the patient again.
void AddNew::showNamesakes() {
    if (Navigator::instance().showSearch(firstName + " " + lastName))
        Navigator::instance().leave(*this);
}

void AddNew::cancel() {
    Navigator::instance().returnToMainMenu(*this);
}
