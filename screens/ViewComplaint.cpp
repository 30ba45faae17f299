#include "screens/ViewComplaint.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AccessNote.h"
#include "screens/AllergyLine.h"
#include "screens/HistoryOfChangesDialog.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/ComplaintList.h"
#include "store/ComplaintRecord.h"
#include "store/VitalSigns.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

const char* const kRequired = "Please complete all the required fileds (marked with * ).";

std::string outsideRangeQuestion(const VisitField& field, const std::string& value) {
    return QString("%1 %2 %3 is outside the usual range (%4 to %5). Store the visit anyway?")
        .arg(QString::fromUtf8(field.printedLabel), QString::fromStdString(value),
             QString::fromUtf8(field.unit))
        .arg(field.lowest)
        .arg(field.highest)
        .toStdString();
}

// A decimal vital sign takes one decimal: "37.5", "101.3", "72.5".
void acceptOneDecimal(QLineEdit* edit) {
    static const QRegularExpression oneDecimal("[0-9]{0,3}(\\.[0-9]?)?");
    edit->setValidator(new QRegularExpressionValidator(oneDecimal, edit));
}

QLineEdit* fieldOf(const FormBase& form, size_t text) {
    return form.control<QLineEdit>(kVisitFields[text].control);
}

} // namespace

ViewComplaint::ViewComplaint()
    : FormView(kViewComplaintForm), texts(kVisitTextCount),
      allergyLine(new AllergyLine(control<QLabel>(IDC_VISIT_ALLERGY_LINE))) {
    visitDate = DateTime::currentLocal();
    new KeyWatch(this, autoComplete);
    ComboBox* box = complaintBox();
    connect(box->lineEdit(), &QLineEdit::textEdited, this,
            [this, box] { CompleteEntry(box, autoComplete); });

    for (const VisitField& field : kVisitFields) {
        if (field.kind == VisitKind::Decimal)
            acceptOneDecimal(control<QLineEdit>(field.control));
        onChanged(field.control, [this] { trackChange(); });
    }
    onChanged(IDC_VISIT_DATE, [this] { trackChange(); });
    // Shown for a stored visit as it is loaded, and at every keystroke.
    for (const size_t text : {visitText("height"), visitText("weight")})
        connect(fieldOf(*this, text), &QLineEdit::textChanged, this, [this] { showBmi(); });

    onClicked(IDC_VISIT_ADD, [this] { add(); });
    onClicked(IDC_VISIT_UPDATE, [this] { update(); });
    onClicked(IDC_VISIT_DELETE, [this] { remove(); });
    onClicked(IDC_VISIT_CANCEL, [this] { cancel(); });
    onCommandAndClick(ID_EDIT_HISTORY_OF_CHANGES, IDC_VISIT_HISTORY, [this] { showHistory(); });
}

void ViewComplaint::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_VISIT_NUMBER, visitId);
    dx.text(IDC_VISIT_PATIENT_NUMBER, patientNumber);
    dx.date(IDC_VISIT_DATE, visitDate);
    // The complaint too is shown as it is: an empty new visit must not take an earlier
    // complaint from the list.
    for (size_t i = 0; i < kVisitTextCount; ++i)
        dx.text(kVisitFields[i].control, texts[i], kVisitFields[i].maxChars);
}

// Without the earlier complaints only completion is lost; the visit itself is shown all the
// same, so that an update never overwrites stored findings with fields left empty.
void ViewComplaint::LoadVisit() {
    patientNumber = patientId;
    allergyLine->showFor(patientId);
    rememberStored();
    ComplaintList visits;
    if (visits.Fetch(patientId))
        fillComplaintList(visits.m_complaints);
    else
        StoreFailure::show(this, "Error fetching complaints list");
    UpdateData(false);
}

void ViewComplaint::showNewVisit(const std::string& patient) {
    patientId = patient;
    enableControl(IDC_VISIT_ADD, true);
    newVisit = true;
    LoadVisit();
}

void ViewComplaint::showVisit(const std::string& patient, const std::string& visit,
                              const ComplaintList& details) {
    patientId = patient;
    visitId = visit;
    visitDate = details.m_date;
    texts = lastVisitTexts(details.m_values);
    newVisit = false;
    enableControl(IDC_VISIT_DELETE, true);
    enableControl(IDC_VISIT_HISTORY, true);
    setControlText(IDC_VISIT_CANCEL, "Close");
    LoadVisit();
    AccessNote::enterOpened("complaints", visitId, patientId);
}

void ViewComplaint::fillComplaintList(const std::vector<std::string>& complaints) {
    QStringList entries;
    entries.reserve(qsizetype(complaints.size()));
    for (const std::string& text : complaints)
        entries << QString::fromStdString(text);
    loading = true;
    complaintBox()->addEntries(entries);
    loading = false;
}

void ViewComplaint::trackChange() {
    if (loading)
        return;
    changed = true;
    if (!newVisit)
        enableControl(IDC_VISIT_UPDATE, true);
}

void ViewComplaint::showBmi() {
    const std::optional<double> bmi =
        VitalSigns::bodyMassIndex(fieldOf(*this, visitText("height"))->text().toStdString(),
                                  fieldOf(*this, visitText("weight"))->text().toStdString());
    setControlText(IDC_VISIT_BMI,
                   bmi ? QString::fromStdString("BMI " + VitalSigns::oneDecimal(*bmi)) : QString());
}

const std::string& ViewComplaint::complaint() const {
    return texts[visitText("complaint")];
}

void ViewComplaint::add() {
    if (saveVisit())
        leave();
}

void ViewComplaint::update() {
    if (saveVisit())
        enableControl(IDC_VISIT_UPDATE, false);
}

// Stores the visit as the screen's mode says: added when new, else updated. False, with the
// reason shown, leaves the visit on screen as typed.
bool ViewComplaint::saveVisit() {
    UpdateData(true);
    if (complaint().empty()) {
        MessageBox(this, kRequired, "Error", MsgIcon::Information);
        return false;
    }
    if (!vitalSignsConfirmed())
        return false;
    if (!store()) {
        StoreFailure::show(this,
                           newVisit ? "Error adding new complaint" : "Error updating complaint");
        return false;
    }
    rememberStored();
    changed = false;
    return true;
}

// A stored visit is written only while it is as this screen loaded or last saved it, so that
// a change saved at another desk since is never undone.
bool ViewComplaint::store() {
    ComplaintRecord record;
    if (newVisit)
        return record.Add(patientId, visitDate, texts);
    return record.UpdateUnlessChanged(visitId, patientId, loadedDate, loadedTexts, visitDate,
                                      texts);
}

void ViewComplaint::rememberStored() {
    loadedDate = visitDate;
    loadedTexts = texts;
}

// A value outside the plausible range is stored only when the user says so; otherwise the
// user is taken back to it.
bool ViewComplaint::vitalSignsConfirmed() {
    for (size_t i = 0; i < kVisitTextCount; ++i) {
        const VisitField& field = kVisitFields[i];
        const std::string& text = texts[i];
        bool isNumber = false;
        const double value = QString::fromStdString(text).toDouble(&isNumber);
        if (field.kind == VisitKind::Text || text.empty() ||
            (isNumber && value >= field.lowest && value <= field.highest))
            continue;
        if (MessageBox(this, outsideRangeQuestion(field, text), "Confirmation", MsgIcon::Question,
                       MsgButtons::YesNo) != IDYES) {
            controlWidget(field.control)->setFocus();
            return false;
        }
    }
    return true;
}

// Leaving a visit with unsaved typing asks first, as closing a changed document does.
void ViewComplaint::cancel() {
    if (!changed) {
        leave();
        return;
    }
    const int answer = MessageBox(this, "The visit has changed, would you like to save?",
                                  "Confirmation", MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == IDNO || (answer == IDYES && saveVisit()))
        leave();
}

void ViewComplaint::remove() {
    if (MessageBox(this, "Delete complaint?", "Confirmation", MsgIcon::Question,
                   MsgButtons::YesNo) != IDYES)
        return;
    ComplaintRecord record;
    if (!record.Delete(visitId)) {
        StoreFailure::show(this, "Error deleting complaint");
        return;
    }
    MessageBox(this, "Complaint deleted successfuly.", "Confirmation", MsgIcon::Information);
    leave();
}

void ViewComplaint::showHistory() {
    if (newVisit || visitId.empty()) {
        MessageBox(this, "The visit has a history once it is added.", "History of changes",
                   MsgIcon::Information);
        return;
    }
    HistoryOfChangesDialog dialog(
        window(),
        {RowHistory::Kind::Visit, patientId, visitId,
         "The visit number " + visitId + " of the patient number " + patientId +
             "; below, the visits deleted",
         RowHistory::Kind::Visit},
        [this] { reloadStored(); });
    dialog.DoModal();
}

// The visit as stored now, in place of what the screen showed or was typed.
void ViewComplaint::reloadStored() {
    ComplaintList details;
    if (!details.FetchDetails(visitId)) {
        StoreFailure::show(this, "Error fetching complaint details");
        return;
    }
    visitDate = details.m_date;
    texts = lastVisitTexts(details.m_values);
    rememberStored();
    UpdateData(false);
    changed = false;
    enableControl(IDC_VISIT_UPDATE, false);
}

void ViewComplaint::leave() {
    const std::string patient = patientId;
    if (Navigator::instance().showPatient(patient))
        Navigator::instance().leave(*this);
}

ComboBox* ViewComplaint::complaintBox() const {
    return control<ComboBox>(IDC_VISIT_COMPLAINT);
}
