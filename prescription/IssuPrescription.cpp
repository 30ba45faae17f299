#include "prescription/IssuPrescription.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "prescription/PrescriptionPrintout.h"
#include "prescription/PrintJob.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AccessNote.h"
#include "screens/AllergyLine.h"
#include "screens/AllergyQuestion.h"
#include "screens/Navigator.h"
#include "screens/PatientNames.h"
#include "screens/StoreFailure.h"
#include "store/MedicationNameList.h"
#include "store/PatientDetails.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>

namespace {

const char* kNoHeaderQuestion = "Clinic information are not set, print prescription without a "
                                "header, and then fill doctor's name field manually? ";

} // namespace

IssuPrescription::IssuPrescription()
    : FormView(kIssuPrescriptionForm),
      allergyLine(new AllergyLine(control<QLabel>(IDC_RX_ALLERGY_LINE))) {
    new KeyWatch(this, autoComplete);
    connect(nameBox()->lineEdit(), &QLineEdit::textEdited, this, [this] {
        completeName();
        showAllergies();
    });
    connect(nameBox(), &QComboBox::activated, this, [this](int index) {
        selectedIndex = index;
        showAllergies();
    });
    connect(drugBox()->lineEdit(), &QLineEdit::textEdited, this,
            [this] { CompleteEntry(drugBox(), autoComplete); });
    controlWidget(IDC_RX_AGE)->installEventFilter(this);
    onClicked(IDC_RX_ADD_TO_LIST, [this] { AddToList(); });
    onClicked(IDC_RX_REMOVE_FROM_LIST, [this] { RemoveFromList(); });
    onClicked(IDC_RX_RESET, [this] { ResetFields(); });
    onClicked(IDC_RX_PRINT, [this] { PrintPrescription(); });
    onClicked(IDC_RX_CANCEL, [this] { cancel(); });
}

void IssuPrescription::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    fillNameBox();
    fillDrugBox();
    ageUnit = Years;
    UpdateData(false);
}

void IssuPrescription::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_RX_PATIENT_NAME, patientName, 102);
    dx.text(IDC_RX_AGE, age, 3);
    dx.selection(IDC_RX_AGE_UNIT, ageUnit);
    dx.text(IDC_RX_DIAGNOSIS, diagnosis, 255);
    dx.text(IDC_RX_DRUG, drug, 255);
}

void IssuPrescription::fillNameBox() {
    if (!PatientNames::fill(nameBox(), patientIds))
        StoreFailure::show(this, "Error fetching patients list");
}

void IssuPrescription::fillDrugBox() {
    MedicationNameList medications;
    if (!medications.FetchAll()) {
        StoreFailure::show(this, "Error fetching medications list");
        return;
    }
    QStringList names;
    names.reserve(qsizetype(medications.m_names.size()));
    for (const std::string& name : medications.m_names)
        names << QString::fromStdString(name);
    drugBox()->addEntries(names);
}

void IssuPrescription::completeName() {
    if (std::optional<int> match = CompleteEntry(nameBox(), autoComplete))
        selectedIndex = *match;
}

// The patient of the records the name box stands for; empty for a name typed in.
std::string IssuPrescription::chosenPatient() const {
    const std::string typed = nameBox()->currentText().toStdString();
    return PatientNames::stillNamed(nameBox(), selectedIndex, typed)
               ? patientIds[size_t(selectedIndex)]
               : std::string();
}

// Read again only when another patient is chosen, not at every key typed.
void IssuPrescription::showAllergies() {
    const std::string chosen = chosenPatient();
    if (chosen == allergiesShownFor)
        return;
    allergiesShownFor = chosen;
    if (chosen.empty())
        allergyLine->clear();
    else
        allergyLine->showFor(chosen);
}

// The age field fills itself when the user moves into it. Focus coming back with the window
// (after a message box, say) is not the user moving in.
bool IssuPrescription::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            FillAge();
    }
    return FormView::eventFilter(watched, event);
}

// An age the user typed, or one already filled for this patient, stays as it is: an infant's
// "6 Month(s)" must not turn into years by leaving the field and coming back.
void IssuPrescription::FillAge() {
    UpdateData(true);
    const std::string chosen = chosenPatient();
    if (!age.empty() && chosen == ageFilledFor)
        return;
    if (chosen.empty()) {
        age.clear();
        ageUnit = Years;
        ageFilledFor.clear();
    } else {
        PatientDetails details;
        if (details.FetchAge(chosen)) {
            age = details.m_age;
            ageUnit = details.m_ageUnit;
            ageFilledFor = chosen;
        } else {
            StoreFailure::show(this, "Error fetching patient age");
        }
    }
    UpdateData(false);
}

// A drug for a patient of the records is checked against the allergies stored for them.
bool IssuPrescription::allergyAllows() {
    const std::string chosen = chosenPatient();
    return chosen.empty() ||
           AllergyQuestion::allows(this, chosen, nameBox()->itemText(selectedIndex).toStdString(),
                                   drug);
}

// A drug the user declines stays in its box as typed.
void IssuPrescription::AddToList() {
    UpdateData(true);
    if (drug.empty()) {
        MessageBox(this, "Medication name cannot be empty", "Error", MsgIcon::Information);
    } else if (allergyAllows()) {
        prescriptionList()->addItem(QString::fromStdString(drug));
        MedicationNameList medications;
        if (!medications.AddName(drug))
            StoreFailure::show(this, "Error adding medication to medications list");
        drug.clear();
    }
    UpdateData(false);
    drugBox()->setFocus();
}

void IssuPrescription::RemoveFromList() {
    QListWidget* list = prescriptionList();
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) {
        MessageBox(this, "Please select an item to remove", "Error", MsgIcon::Information);
        return;
    }
    delete list->takeItem(list->row(selected.first()));
    // Nothing stays selected, so a second press never removes a line the user did not pick.
    list->clearSelection();
}

void IssuPrescription::ResetFields() {
    patientName.clear();
    age.clear();
    diagnosis.clear();
    drug.clear();
    ageUnit = Years;
    selectedIndex = -1;
    ageFilledFor.clear();
    prescriptionList()->clear();
    allergyLine->clear();
    allergiesShownFor.clear();
    nameBox()->setFocus();
    UpdateData(false);
}

void IssuPrescription::PrintPrescription() {
    UpdateData(true);
    if (patientName.empty() || age.empty() || diagnosis.empty() ||
        prescriptionList()->count() == 0) {
        MessageBox(this, "All fields are required", "Error", MsgIcon::Information);
        return;
    }
    std::optional<std::string> allergies;
    if (!allergiesToPrint(allergies))
        return;
    std::optional<ClinicInfo> header = letterhead();
    if (!header && MessageBox(this, kNoHeaderQuestion, "Warning", MsgIcon::Question,
                              MsgButtons::YesNo) != IDYES)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!PrintDialog::run(this, printer))
        return;
    const PrescriptionPrintout printout(entries(std::move(allergies)), std::move(header),
                                        DateTime::currentLocal());
    if (PrintJob::printOrTell(
            this, printer, [&printout](PrintDevice& device) { printout.print(device); },
            "The prescription was not printed to"))
        AccessNote::enterOf(this, Access::Print, "patient_info", chosenPatient(),
                            chosenPatient(), {{"what", "prescription"}, {"name", patientName}});
}

// The clinic's details when they were ever saved; none when they were not or cannot be read.
std::optional<ClinicInfo> IssuPrescription::letterhead() {
    ClinicInfo info;
    if (!info.Fetch()) {
        StoreFailure::show(this, "Error fetching clinic information");
        return std::nullopt;
    }
    if (info.m_setStatus == 0)
        return std::nullopt;
    return info;
}

// The allergy line the prescription of a patient of the records carries, as stored now; none
// for a name typed in. False, with the failure shown, when the allergies cannot be read: the
// prescription is not printed without them.
bool IssuPrescription::allergiesToPrint(std::optional<std::string>& line) {
    const std::string chosen = chosenPatient();
    if (chosen.empty())
        return true;
    std::vector<std::string> allergies;
    if (!AllergyLine::fetch(chosen, allergies)) {
        StoreFailure::show(this, "Error fetching allergies list");
        return false;
    }
    line = AllergyLine::listed(allergies);
    return true;
}

PrescriptionEntries IssuPrescription::entries(std::optional<std::string> allergies) const {
    PrescriptionEntries what{patientName,
                             age,
                             control<ComboBox>(IDC_RX_AGE_UNIT)->itemText(ageUnit).toStdString(),
                             diagnosis,
                             {}};
    what.allergies = std::move(allergies);
    const QListWidget* list = prescriptionList();
    for (int row = 0; row < list->count(); ++row)
        what.drugs.push_back(list->item(row)->text().toStdString());
    return what;
}

void IssuPrescription::cancel() {
    Navigator::instance().returnToMainMenu(*this);
}

ComboBox* IssuPrescription::nameBox() const {
    return control<ComboBox>(IDC_RX_PATIENT_NAME);
}

ComboBox* IssuPrescription::drugBox() const {
    return control<ComboBox>(IDC_RX_DRUG);
}

QListWidget* IssuPrescription::prescriptionList() const {
    return control<QListWidget>(IDC_RX_PRESCRIPTIONS);
}
