#include "app/DeletedPatientsDialog.h"

#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/StoreFailure.h"

DeletedPatientsDialog::DeletedPatientsDialog(QWidget* parent)
    : Dialog(kDeletedPatientsForm, parent) {
    onClicked(IDC_DELETED_BRING_BACK, [this] { bringBack(); });
}

ListView* DeletedPatientsDialog::list() const {
    return control<ListView>(IDC_DELETED_LIST);
}

bool DeletedPatientsDialog::OnInitDialog() {
    list()->insertColumn(0, "Name", 130);
    list()->insertColumn(1, "Date of birth", 75);
    list()->insertColumn(2, "Record number", 70);
    list()->insertColumn(3, "Deleted", 110);
    list()->insertColumn(4, "By", 70);
    const bool shownOk = Dialog::OnInitDialog();
    reload();
    return shownOk;
}

bool DeletedPatientsDialog::reload() {
    list()->deleteAllRows();
    if (!deleted.Fetch()) {
        StoreFailure::show(this, "The deleted patients could not be read");
        return false;
    }
    for (const DeletedPatients::Patient& patient : deleted.m_patients)
        list()->addRow({QString::fromStdString(patient.firstName + " " + patient.lastName),
                        QString::fromStdString(patient.dob.format("%d/%m/%Y")),
                        QString::fromStdString(patient.id),
                        QString::fromStdString(patient.deletedAt.substr(0, 16)).replace('T', ' '),
                        QString::fromStdString(patient.deletedBy)});
    if (!deleted.m_patients.empty())
        list()->selectRow(0);
    enableControl(IDC_DELETED_BRING_BACK, !deleted.m_patients.empty());
    return true;
}

void DeletedPatientsDialog::bringBack() {
    const int row = list()->firstSelectedRow();
    if (row < 0 || row >= static_cast<int>(deleted.m_patients.size()))
        return;
    const DeletedPatients::Patient patient = deleted.m_patients[row];
    if (!deleted.BringBack(patient.id)) {
        StoreFailure::show(this, "The record could not be brought back");
        reload();
        return;
    }
    MessageBox(this,
               "The record of " + patient.firstName + " " + patient.lastName + " (number " +
                   patient.id + ") is back, with its visits, histories, medications and tests.",
               "Deleted patients", MsgIcon::Information);
    reload();
}
