#include "screens/AddMedicationDialog.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AllergyQuestion.h"
#include "screens/StoreFailure.h"
#include "store/MedicationNameList.h"
#include "store/PatientMedicationRecord.h"

#include <QLineEdit>

AddMedicationDialog::AddMedicationDialog(QWidget* parent) : Dialog(kAddMedicationForm, parent) {
    new KeyWatch(this, autoComplete);
    connect(drugBox()->lineEdit(), &QLineEdit::textEdited, this,
            [this] { CompleteEntry(drugBox(), autoComplete); });
}

ComboBox* AddMedicationDialog::drugBox() const {
    return control<ComboBox>(IDC_MED_DRUG);
}

void AddMedicationDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_MED_DRUG, medication, 255);
    dx.selection(IDC_MED_STATUS, statusIndex);
}

bool AddMedicationDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    MedicationNameList names;
    if (names.FetchAll()) {
        QStringList entries;
        entries.reserve(qsizetype(names.m_names.size()));
        for (const std::string& name : names.m_names)
            entries << QString::fromStdString(name);
        drugBox()->addEntries(entries);
    } else {
        StoreFailure::show(this, "Error fetching medications list");
    }
    statusIndex = 0;
    UpdateData(false);
    drugBox()->setFocus();
    return false;
}

void AddMedicationDialog::OnOK() {
    UpdateData(true);
    if (medication.empty()) {
        MessageBox(this, "Medication field cannot be empty.", "Error", MsgIcon::Information);
        return;
    }
    // Declined, the dialog stays with the name as typed.
    if (!AllergyQuestion::allows(this, patientId, patientName, medication))
        return;
    const std::string status =
        control<ComboBox>(IDC_MED_STATUS)->itemText(statusIndex).toStdString();
    // A name that cannot join the list does not keep the medication from being stored.
    if (!MedicationNameList().AddName(medication))
        StoreFailure::show(this, "Error adding mediction to medications list");
    if (!PatientMedicationRecord().Add(patientId, medication, status)) {
        StoreFailure::show(this, "Error adding entry.");
        return;
    }
    EndDialog(IDOK);
}
