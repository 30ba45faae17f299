#include "screens/AddEntryDialog.h"

#include "platform/ComboBox.h"
#include "platform/DataExchange.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/StoreFailure.h"
#include "store/HistoryEntryRecord.h"

AddEntryDialog::AddEntryDialog(QWidget* parent) : Dialog(kAddEntryForm, parent) {}

void AddEntryDialog::DoDataExchange(DataExchange& dx) {
    dx.selection(IDC_ENTRY_TYPE, entryTypeIndex);
    dx.text(IDC_ENTRY_DETAILS, entryDetails, 255);
}

bool AddEntryDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    controlWidget(IDC_ENTRY_DETAILS)->setFocus();
    return false;
}

void AddEntryDialog::OnOK() {
    UpdateData(true);
    if (entryDetails.empty()) {
        MessageBox(this, "Entry cannot be empty.", "Error", MsgIcon::Information);
        return;
    }
    const std::string entryType =
        control<ComboBox>(IDC_ENTRY_TYPE)->itemText(entryTypeIndex).toStdString();
    if (!HistoryEntryRecord().Add(patientId, entryType, entryDetails)) {
        StoreFailure::show(this, "Error adding entry.");
        return;
    }
    EndDialog(IDOK);
}
