#include "screens/ViewComplaint.h"

#include "platform/ComboBox.h"
#include "platform/CompleteEntry.h"
#include "platform/DataExchange.h"
#include "platform/KeyWatch.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/ComplaintList.h"
#include "store/ComplaintRecord.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <iterator>

namespace {

// The finding fields in the order of their columns, with their typing limits.
struct Finding {
    int id;
    int maxChars;
};
constexpr int kVital = 3;
constexpr int kDecimalVital = 5; // "101.3"
constexpr int kExamination = 65535;
const Finding kFindings[] = {
    {IDC_VISIT_TEMPERATURE, kDecimalVital}, {IDC_VISIT_BLOOD_PRESSURE, 50},
    {IDC_VISIT_RESPIRATORY_RATE, kVital},   {IDC_VISIT_PULSE, kVital},
    {IDC_VISIT_HEIGHT, kVital},             {IDC_VISIT_WEIGHT, kDecimalVital},
    {IDC_VISIT_EYES, kExamination},         {IDC_VISIT_HEENT, kExamination},
    {IDC_VISIT_RESPIRATORY, kExamination},  {IDC_VISIT_CARDIOVASCULAR, kExamination},
    {IDC_VISIT_GASTROINTESTINAL, kExamination}, {IDC_VISIT_GENITOURINARY, kExamination},
    {IDC_VISIT_ENDOCRINE, kExamination},    {IDC_VISIT_MUSCULOSKELETAL, kExamination},
    {IDC_VISIT_HEMA_LYMPH, kExamination},   {IDC_VISIT_DERMATOLOGY, kExamination},
    {IDC_VISIT_PSYCHO_NEURO, kExamination}, {IDC_VISIT_OTHER, kExamination},
    {IDC_VISIT_DIAGNOSIS, kExamination},    {IDC_VISIT_TREATMENT, kExamination},
};
static_assert(std::size(kFindings) == std::tuple_size_v<decltype(ViewComplaint::findings)>);

const char* const kRequired = "Please complete all the required fileds (marked with * ).";

// The values a human body plausibly has; anything outside is more likely a slip of the keys.
struct VitalRange {
    int id;
    size_t finding; // position in ViewComplaint::findings
    const char* name;
    const char* unit;
    double lowest;
    double highest;
};
const VitalRange kVitalRanges[] = {
    {IDC_VISIT_TEMPERATURE, 0, "Temperature", "C°", 30, 45},
    {IDC_VISIT_RESPIRATORY_RATE, 2, "Respiratory rate", "/min", 4, 80},
    {IDC_VISIT_PULSE, 3, "Pulse", "/min", 20, 250},
    {IDC_VISIT_HEIGHT, 4, "Height", "cm", 20, 250},
    {IDC_VISIT_WEIGHT, 5, "Weight", "Kg", 0.5, 400},
};

std::string outsideRangeQuestion(const VitalRange& range, const std::string& value) {
    return QString("%1 %2 %3 is outside the usual range (%4 to %5). Store the visit anyway?")
        .arg(QString::fromUtf8(range.name), QString::fromStdString(value),
             QString::fromUtf8(range.unit))
        .arg(range.lowest)
        .arg(range.highest)
        .toStdString();
}

// Temperature and weight take one decimal: "37.5", "101.3", "72.5".
void acceptOneDecimal(QLineEdit* edit) {
    static const QRegularExpression oneDecimal("[0-9]{0,3}(\\.[0-9]?)?");
    edit->setValidator(new QRegularExpressionValidator(oneDecimal, edit));
}

} // namespace

ViewComplaint::ViewComplaint() : FormView(kViewComplaintForm) {
    visitDate = DateTime::currentLocal();
    new KeyWatch(this, autoComplete);
    ComboBox* box = complaintBox();
    connect(box->lineEdit(), &QLineEdit::textEdited, this,
            [this, box] { CompleteEntry(box, autoComplete); });

    acceptOneDecimal(control<QLineEdit>(IDC_VISIT_TEMPERATURE));
    acceptOneDecimal(control<QLineEdit>(IDC_VISIT_WEIGHT));
    for (const Finding& finding : kFindings)
        onChanged(finding.id, [this] { trackChange(); });
    onChanged(IDC_VISIT_COMPLAINT, [this] { trackChange(); });
    onChanged(IDC_VISIT_DATE, [this] { trackChange(); });

    onClicked(IDC_VISIT_ADD, [this] { add(); });
    onClicked(IDC_VISIT_UPDATE, [this] { update(); });
    onClicked(IDC_VISIT_DELETE, [this] { remove(); });
    onClicked(IDC_VISIT_CANCEL, [this] { cancel(); });
}

void ViewComplaint::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_VISIT_NUMBER, visitId);
    dx.text(IDC_VISIT_PATIENT_NUMBER, patientNumber);
    dx.date(IDC_VISIT_DATE, visitDate);
    // Shown as it is: an empty new visit must not take an earlier complaint from the list.
    dx.text(IDC_VISIT_COMPLAINT, complaint, 255);
    for (size_t i = 0; i < findings.size(); ++i)
        dx.text(kFindings[i].id, findings[i], kFindings[i].maxChars);
}

// Without the earlier complaints only completion is lost; the visit itself is shown all the
// same, so that an update never overwrites stored findings with fields left empty.
void ViewComplaint::LoadVisit() {
    patientNumber = patientId;
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
    // m_values: the visit number, the patient number, then complaint to treatment.
    complaint = details.m_values[2];
    for (size_t i = 0; i < findings.size(); ++i)
        findings[i] = details.m_values[3 + i];
    newVisit = false;
    enableControl(IDC_VISIT_DELETE, true);
    setControlText(IDC_VISIT_CANCEL, "Close");
    LoadVisit();
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

std::vector<std::string> ViewComplaint::visitTexts() const {
    std::vector<std::string> texts{complaint};
    texts.insert(texts.end(), findings.begin(), findings.end());
    return texts;
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
    if (complaint.empty()) {
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
        return record.Add(patientId, visitDate, visitTexts());
    return record.UpdateUnlessChanged(visitId, patientId, loadedDate, loadedTexts, visitDate,
                                      visitTexts());
}

void ViewComplaint::rememberStored() {
    loadedDate = visitDate;
    loadedTexts = visitTexts();
}

// A value outside the plausible range is stored only when the user says so; otherwise the
// user is taken back to it.
bool ViewComplaint::vitalSignsConfirmed() {
    for (const VitalRange& range : kVitalRanges) {
        const std::string& text = findings[range.finding];
        bool isNumber = false;
        const double value = QString::fromStdString(text).toDouble(&isNumber);
        if (text.empty() || (isNumber && value >= range.lowest && value <= range.highest))
            continue;
        if (MessageBox(this, outsideRangeQuestion(range, text), "Confirmation", MsgIcon::Question,
                       MsgButtons::YesNo) != IDYES) {
            controlWidget(range.id)->setFocus();
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

void ViewComplaint::leave() {
    const std::string patient = patientId;
    if (Navigator::instance().showPatient(patient))
        Navigator::instance().leave(*this);
}

ComboBox* ViewComplaint::complaintBox() const {
    return control<ComboBox>(IDC_VISIT_COMPLAINT);
}
