#include "screens/FindName.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "screens/PatientNames.h"
#include "res/resource.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/PatientNameList.h"

#include <QLineEdit>

FindName::FindName() : FormView(kFindNameForm) {
    new KeyWatch(this, autoComplete);
    ComboBox* box = nameBox();
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { complete(); });
    connect(box, &QComboBox::activated, this, [this](int index) { selectedIndex = index; });
    onClicked(IDC_FINDNAME_LOCATE, [this] { LocateByName(); });
    onClicked(IDC_FINDNAME_CANCEL, [this] { cancel(); });
}

void FindName::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    fillNameBox();
}

void FindName::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_FINDNAME_NAME, patientName, 102);
}

void FindName::fillNameBox() {
    if (!PatientNames::fill(nameBox(), patientIds))
        StoreFailure::show(this, "Error fetching patients names list");
}

void FindName::complete() {
    if (std::optional<int> match = CompleteEntry(nameBox(), autoComplete))
        selectedIndex = *match;
}

void FindName::LocateByName() {
    UpdateData(true);
    if (patientName.empty()) {
        MessageBox(this, "Patient's name filed cannot be empty", "Error", MsgIcon::Information);
        return;
    }
    if (!PatientNames::stillNamed(nameBox(), selectedIndex, patientName)) {
        MessageBox(this, "Patient doesn't not exist", "Information", MsgIcon::Information);
        return;
    }
    const std::string patient = patientIds[size_t(selectedIndex)];
    if (Navigator::instance().showPatient(patient))
        Navigator::instance().leave(*this);
}

void FindName::cancel() {
    Navigator::instance().returnToMainMenu(*this);
}

ComboBox* FindName::nameBox() const {
    return control<ComboBox>(IDC_FINDNAME_NAME);
}
