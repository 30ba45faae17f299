#include "screens/ViewRec.h"

#include "platform/DataExchange.h"
#include "platform/ListView.h"
#include "res/Forms.h"
#include "res/resource.h"

ViewRec::ViewRec() : FormView(kViewRecForm) {}

void ViewRec::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    historyType = 0;
}

void ViewRec::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_REC_PATIENT_NUMBER, patientNumber);
    dx.text(IDC_REC_FIRST_NAME, firstName, 50);
    dx.text(IDC_REC_LAST_NAME, lastName, 50);
    dx.date(IDC_REC_DOB, dob);
    dx.text(IDC_REC_TELEPHONE, telephone, 50);
    dx.radio(IDC_REC_MALE, gender);
    dx.text(IDC_REC_ADDRESS, address, 255);
    dx.radio(IDC_REC_VISITS, historyType);
}

void ViewRec::LoadPatient() {
    patientNumber = patientId;
    UpdateData(false);
}

ListView* ViewRec::historyList() const {
    return control<ListView>(IDC_REC_HISTORY_LIST);
}
