#include "screens/AddTestDialog.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/StoreFailure.h"
#include "store/TestRecord.h"
#include "store/TestTypeList.h"

#include <QLineEdit>

AddTestDialog::AddTestDialog(QWidget* parent) : Dialog(kAddTestForm, parent) {
    new KeyWatch(this, autoComplete);
    connect(typeBox()->lineEdit(), &QLineEdit::textEdited, this,
            [this] { CompleteEntry(typeBox(), autoComplete); });
}

ComboBox* AddTestDialog::typeBox() const {
    return control<ComboBox>(IDC_TEST_TYPE);
}

void AddTestDialog::DoDataExchange(DataExchange& dx) {
    dx.date(IDC_TEST_DATE, testDate);
    dx.text(IDC_TEST_TYPE, testType, 50);
    dx.text(IDC_TEST_RESULTS, results, 255);
}

bool AddTestDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    TestTypeList types;
    if (types.FetchAll()) {
        QStringList entries;
        entries.reserve(qsizetype(types.m_names.size()));
        for (const std::string& name : types.m_names)
            entries << QString::fromStdString(name);
        typeBox()->addEntries(entries);
    } else {
        StoreFailure::show(this, "Error fetching tests list");
    }
    UpdateData(false);
    controlWidget(IDC_TEST_DATE)->setFocus();
    return false;
}

void AddTestDialog::OnOK() {
    UpdateData(true);
    // A typed type joins the list even when the test itself is refused below; an empty one
    // never does.
    if (!testType.empty() && !TestTypeList().AddName(testType))
        StoreFailure::show(this, "Error adding test to tests list");
    if (results.empty() || testType.empty()) {
        MessageBox(this, "Results and/or Type fields cannot be empty.", "Error",
                   MsgIcon::Information);
        return;
    }
    if (!TestRecord().Add(patientId, testDate, testType, results)) {
        StoreFailure::show(this, "Error adding entry.");
        return;
    }
    EndDialog(IDOK);
}
