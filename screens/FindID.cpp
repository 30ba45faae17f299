#include "screens/FindID.h"

#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/PatientNameList.h"

#include <QLineEdit>

FindID::FindID() : FormView(kFindIDForm) {
    onClicked(IDC_FINDID_LOCATE, [this] { LocateByID(); });
    onClicked(IDC_FINDID_CANCEL, [this] { cancel(); });
}

void FindID::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_FINDID_PATIENT_ID, patientId, 64);
}

void FindID::LocateByID() {
    UpdateData(true);
    if (patientId.empty()) {
        MessageBox(this, "ID field is required.", "Error", MsgIcon::Information);
        return;
    }
    PatientNameList patient;
    if (!patient.FetchByID(patientId)) {
        if (patient.m_failed) {
            StoreFailure::show(this, "Error fetching patient information");
            return;
        }
        MessageBox(this, "No patient with the given ID.", "Information", MsgIcon::Information);
        // Ready for the number to be typed again over the one that missed.
        auto* field = control<QLineEdit>(IDC_FINDID_PATIENT_ID);
        field->setFocus();
        field->selectAll();
        return;
    }
    const std::string typed = patientId;
    if (Navigator::instance().showPatient(typed))
        Navigator::instance().leave(*this);
}

void FindID::cancel() {
    Navigator::instance().returnToMainMenu(*this);
}
