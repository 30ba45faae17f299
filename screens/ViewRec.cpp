#include "screens/ViewRec.h"

#include "platform/DataExchange.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "prescription/RecordPrinting.h"
#include "screens/AccessNote.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AddEntryDialog.h"
#include "screens/AddMedicationDialog.h"
#include "screens/AddTestDialog.h"
#include "screens/AllergyLine.h"
#include "screens/BirthDate.h"
#include "screens/HistoryOfChangesDialog.h"
#include "screens/Navigator.h"
#include "screens/RoleRights.h"
#include "screens/StoreFailure.h"
#include "store/Session.h"
#include "store/store.h"

#include <QLabel>
#include <QStringList>

namespace {

constexpr int kScrollBarRoom = 15;
constexpr int kHistoryRadios[] = {IDC_REC_VISITS,      IDC_REC_MEDICAL, IDC_REC_SURGICAL,
                                  IDC_REC_SOCIAL,      IDC_REC_FAMILY,  IDC_REC_ALLERGIES,
                                  IDC_REC_MEDICATIONS, IDC_REC_TESTS};

struct Column {
    const char* title;
    int width;
};

// How each history type shows in the list.
struct HistoryLayout {
    const char* fetchError;
    const char* emptyTitle;
    const char* placeholder;
    std::vector<Column> columns; // adding up to the list's 560 pixels
    int flexibleColumn;          // gives room to the scroll bar when the rows do not all fit
};

// The rows a history type lists, as their history knows them, and how the window names them.
struct ListedRows {
    RowHistory::Kind kind;
    const char* one;
    const char* many;
};

ListedRows rowsOf(int type) {
    switch (type) {
    case ViewRec::Visits:
        return {RowHistory::Kind::Visit, "visit", "visits"};
    case ViewRec::Medications:
        return {RowHistory::Kind::Medication, "medication", "medications"};
    case ViewRec::Tests:
        return {RowHistory::Kind::Test, "test", "tests"};
    default:
        return {RowHistory::Kind::HistoryEntry, "history entry", "history entries"};
    }
}

const HistoryLayout& layoutOf(int type) {
    static const std::vector<HistoryLayout> layouts = {
        {"Error fetching complaints list",
         "Visits",
         "No Visits",
         {{"Date", 60}, {"Complaint", 167}, {"Diagnosis", 167}, {"Treatment", 166}},
         3},
        {"Error retrieving entris", "Medical history", "No Entries", {{"Medical history", 560}}, 0},
        {"Error retrieving entris",
         "Surgical history",
         "No Entries",
         {{"Surgical history", 560}},
         0},
        {"Error retrieving entris", "Social history", "No Entries", {{"Social history", 560}}, 0},
        {"Error retrieving entris", "Family history", "No Entries", {{"Family history", 560}}, 0},
        {"Error retrieving entris", "Allergies", "No Entries", {{"Allergies", 560}}, 0},
        {"Error fetching medications list",
         "Medications",
         "No Entries",
         {{"Medications", 460}, {"Status", 100}},
         0},
        {"Error fetching tests list",
         "Tests",
         "No Tests",
         {{"Test Date", 60}, {"Type", 150}, {"Resutls", 350}},
         2},
    };
    return layouts[size_t(type)];
}

// The texts stored in entry_type, which the entry dialog writes.
const char* entryTypeOf(int type) {
    static const char* const types[] = {"Medical", "Surgical", "Social", "Family", "Allergies"};
    return types[type - ViewRec::Medical];
}

bool isHistoryEntry(int type) {
    return type >= ViewRec::Medical && type <= ViewRec::Allergies;
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

struct FetchedRows {
    std::vector<QStringList> rows;
    std::vector<std::string> ids;
};

bool fetchVisits(const std::string& patientId, FetchedRows& out) {
    ComplaintList visits;
    if (!visits.Fetch(patientId))
        return false;
    for (size_t i = 0; i < visits.m_ids.size(); ++i)
        out.rows.push_back({q(visits.m_dates[i]), q(visits.m_complaints[i]),
                            q(visits.m_diagnoses[i]), q(visits.m_treatments[i])});
    out.ids = std::move(visits.m_ids);
    return true;
}

bool fetchEntries(const std::string& patientId, int type, FetchedRows& out) {
    HistoryEntryList entries;
    if (!entries.Fetch(patientId, entryTypeOf(type)))
        return false;
    for (const std::string& details : entries.m_details)
        out.rows.push_back({q(details)});
    out.ids = std::move(entries.m_ids);
    return true;
}

bool fetchMedications(const std::string& patientId, FetchedRows& out) {
    PatientMedicationList medications;
    if (!medications.Fetch(patientId))
        return false;
    for (size_t i = 0; i < medications.m_ids.size(); ++i)
        out.rows.push_back({q(medications.m_names[i]), q(medications.m_statuses[i])});
    out.ids = std::move(medications.m_ids);
    return true;
}

bool fetchTests(const std::string& patientId, FetchedRows& out) {
    TestList tests;
    if (!tests.Fetch(patientId))
        return false;
    for (size_t i = 0; i < tests.m_ids.size(); ++i)
        out.rows.push_back({q(tests.m_dates[i]), q(tests.m_types[i]), q(tests.m_results[i])});
    out.ids = std::move(tests.m_ids);
    return true;
}

bool fetchRows(const std::string& patientId, int type, FetchedRows& out) {
    if (type == ViewRec::Visits)
        return fetchVisits(patientId, out);
    if (type == ViewRec::Medications)
        return fetchMedications(patientId, out);
    if (type == ViewRec::Tests)
        return fetchTests(patientId, out);
    return fetchEntries(patientId, type, out);
}

} // namespace

ViewRec::ViewRec()
    : FormView(kViewRecForm), allergyLine(new AllergyLine(control<QLabel>(IDC_REC_ALLERGY_LINE))) {
    letListGrow(IDC_REC_HISTORY_LIST);
    for (int id : {IDC_REC_FIRST_NAME, IDC_REC_LAST_NAME, IDC_REC_ADDRESS, IDC_REC_TELEPHONE,
                   IDC_REC_MALE, IDC_REC_FEMALE, IDC_REC_DOB})
        onChanged(id, [this] { detailChanged(); });
    for (int type = Visits; type <= Tests; ++type)
        onClicked(kHistoryRadios[type], [this, type] { historyTypeClicked(type); });
    onClicked(IDC_REC_UPDATE_INFO, [this] { updateInfo(); });
    onClicked(IDC_REC_CLOSE, [this] { close(); });
    onClicked(IDC_REC_ADD, [this] { add(); });
    onClicked(IDC_REC_VIEW_EDIT, [this] { viewVisit(); });
    onClicked(IDC_REC_DELETE, [this] { deleteEntry(); });
    onClicked(IDC_REC_DELETE_RECORD, [this] { deleteRecord(); });
    onCommand(ID_FILE_PRINT, [this] { printRecord(RecordPrinting::print); });
    onCommand(ID_FILE_PRINT_PREVIEW, [this] { printRecord(RecordPrinting::preview); });
    onCommand(ID_FILE_EXPORT_RECORD, [this] { printRecord(RecordPrinting::exportRecord); });
    onCommandAndClick(ID_VIEW_VITAL_CHARTS, IDC_REC_CHARTS, [this] { openCharts(); });
    connect(historyList(), &ListView::rowDoubleClicked, this, [this] { listDoubleClicked(); });
    onCommand(ID_EDIT_HISTORY_OF_CHANGES, [this] { showHistory(); });
}

void ViewRec::OnInitialUpdate() {
    FormView::OnInitialUpdate();
    historyType = Visits;
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

ListView* ViewRec::historyList() const {
    return control<ListView>(IDC_REC_HISTORY_LIST);
}

void ViewRec::showPatient(const std::string& id) {
    patientId = id;
    LoadPatient();
}

void ViewRec::LoadPatient() {
    if (fillPatient())
        AccessNote::enterOpened("patient_info", patientId, patientId);
}

bool ViewRec::fillPatient() {
    PatientDetails details;
    if (!details.Fetch(patientId)) {
        showNoPatient();
        StoreFailure::show(this, "Error fetching patient information");
        return false;
    }
    loaded = details;
    patientNumber = patientId;
    dob = details.m_dob;
    firstName = details.m_firstName;
    lastName = details.m_lastName;
    address = details.m_address;
    telephone = details.m_telephone;
    gender = details.m_gender;
    if (Session::mayCare()) {
        allergyLine->showFor(patientId);
        loadList(Visits);
    } else {
        showCareWithheld();
    }
    UpdateData(false);
    return true;
}

// Reception keeps the particulars; the care part of the record says who it is for.
void ViewRec::showCareWithheld() {
    allergyLine->clear();
    clearList();
    historyList()->insertColumn(0, "", 560);
    historyList()->addRow({RoleRights::forClinicians});
    hasVisits = false;
    for (int id : kHistoryRadios)
        enableControl(id, false);
    for (int id : {IDC_REC_ADD, IDC_REC_VIEW_EDIT, IDC_REC_DELETE}) {
        enableControl(id, false);
        controlWidget(id)->setToolTip(RoleRights::forClinicians);
    }
    RoleRights::limitButtons(*this, {{IDC_REC_CHARTS, ID_VIEW_VITAL_CHARTS}});
    enableControl(IDC_REC_DELETE_RECORD, false);
    controlWidget(IDC_REC_DELETE_RECORD)->setToolTip(RoleRights::forClinicians);
}

// A patient that could not be read leaves nothing of another one on screen.
void ViewRec::showNoPatient() {
    loaded = PatientDetails();
    patientNumber.clear();
    firstName.clear();
    lastName.clear();
    address.clear();
    telephone.clear();
    gender = -1;
    allergyLine->clear();
    clearList();
    hasVisits = false;
    UpdateData(false);
}

void ViewRec::detailChanged() {
    infoChanged = true;
    enableControl(IDC_REC_UPDATE_INFO, true);
}

void ViewRec::updateInfo() {
    saveDetails();
}

// Checks and stores the details on screen; false, with the reason shown, leaves them there.
bool ViewRec::saveDetails() {
    UpdateData(true);
    if (firstName.empty() || lastName.empty()) {
        MessageBox(this, "Please complete all the required fileds (marked with * ).", "Error",
                   MsgIcon::Information);
        return false;
    }
    if (!BirthDate::confirm(this, IDC_REC_DOB, dob))
        return false;
    // Written only while the patient is as this screen loaded it, so that a change saved at
    // another desk since is never undone.
    if (!PatientRecord().UpdateUnlessChanged(patientNumber, loaded, firstName, lastName, dob,
                                             gender, address, telephone)) {
        StoreFailure::show(this, "Error updating patient info");
        return false;
    }
    rememberSaved();
    infoChanged = false;
    enableControl(IDC_REC_UPDATE_INFO, false);
    return true;
}

// What this screen saved is what the next save expects to find stored.
void ViewRec::rememberSaved() {
    loaded.m_firstName = firstName;
    loaded.m_lastName = lastName;
    loaded.m_dob = dob;
    loaded.m_gender = gender;
    loaded.m_address = address;
    loaded.m_telephone = telephone;
}

// Before the screen is left: unsaved details are saved if the user wishes. False keeps the
// user here with the edits, after a failed check or save.
bool ViewRec::mayLeave() {
    if (!infoChanged)
        return true;
    if (MessageBox(this, "Patient information has changed, would you like to save?",
                   "Confirmation", MsgIcon::Question, MsgButtons::YesNo) != IDYES)
        return true;
    return saveDetails();
}

void ViewRec::printRecord(void (*how)(QWidget* parent, const std::string& patientId)) {
    if (mayLeave())
        how(this, patientId);
}

void ViewRec::close() {
    if (!mayLeave())
        return;
    Navigator::instance().returnToMainMenu(*this);
}

void ViewRec::historyTypeClicked(int type) {
    enableControl(IDC_REC_VIEW_EDIT, type == Visits);
    loadList(type);
}

void ViewRec::clearList() {
    ListView* list = historyList();
    list->deleteAllRows();
    while (list->columnCountNow() > 0)
        list->deleteColumn(0);
    rowIds.clear();
}

void ViewRec::loadList(int type) {
    // Whatever changed the allergies had the list reloaded: the line follows it.
    if (type == Allergies)
        allergyLine->showFor(patientId);
    const HistoryLayout& layout = layoutOf(type);
    FetchedRows fetched;
    if (!fetchRows(patientId, type, fetched)) {
        // Rows of the type shown before must never be taken for rows of this one.
        clearList();
        enableControl(IDC_REC_DELETE, false);
        enableControl(IDC_REC_VIEW_EDIT, false);
        hasVisits = false;
        StoreFailure::show(this, layout.fetchError);
        return;
    }
    clearList();
    ListView* list = historyList();
    if (fetched.rows.empty()) {
        list->insertColumn(0, layout.emptyTitle, 560);
        list->addRow({layout.placeholder});
        enableControl(IDC_REC_VIEW_EDIT, false);
        enableControl(IDC_REC_DELETE, false);
        if (type == Visits)
            hasVisits = false;
        return;
    }
    for (size_t c = 0; c < layout.columns.size(); ++c)
        list->insertColumn(int(c), layout.columns[c].title, layout.columns[c].width);
    list->addRows(std::move(fetched.rows));
    rowIds = std::move(fetched.ids);
    list->setFlexibleColumn(layout.flexibleColumn, kScrollBarRoom);
    enableControl(IDC_REC_DELETE, true);
    if (type == Visits)
        hasVisits = true;
}

void ViewRec::add() {
    UpdateData(true);
    if (historyType == Visits) {
        if (mayLeave())
            openNewVisit();
    }
    else if (historyType >= Medical && historyType <= Tests)
        runDialogAndReload(historyType);
}

// The list reloads whatever the dialog's outcome.
void ViewRec::runDialogAndReload(int type) {
    if (isHistoryEntry(type)) {
        AddEntryDialog dialog(window());
        dialog.patientId = patientId;
        dialog.entryTypeIndex = type - Medical;
        dialog.DoModal();
    } else if (type == Medications) {
        AddMedicationDialog dialog(window());
        dialog.patientId = patientId;
        dialog.patientName = loaded.m_firstName + " " + loaded.m_lastName;
        dialog.DoModal();
    } else {
        AddTestDialog dialog(window());
        dialog.patientId = patientId;
        dialog.DoModal();
    }
    loadList(type);
}

void ViewRec::openNewVisit() {
    if (Navigator::instance().showNewVisit(patientId))
        Navigator::instance().leave(*this);
}

// The charts show the visits as stored, so typed details are saved first if the user wishes.
void ViewRec::openCharts() {
    if (!mayLeave())
        return;
    if (Navigator::instance().showVitalCharts(patientId))
        Navigator::instance().leave(*this);
}

void ViewRec::viewVisit() {
    const int row = historyList()->firstSelectedRow();
    if (row < 0 || size_t(row) >= rowIds.size()) {
        MessageBox(this, "No selected entry.", "Error", MsgIcon::Information);
        return;
    }
    if (!mayLeave())
        return;
    const std::string visitId = rowIds[size_t(row)];
    ComplaintList visits;
    if (!visits.FetchDetails(visitId)) {
        StoreFailure::show(this, "Error fetching complaint details, cannot edit complaint");
        return;
    }
    if (Navigator::instance().showVisit(patientId, visitId, visits))
        Navigator::instance().leave(*this);
}

void ViewRec::deleteEntry() {
    UpdateData(true);
    const int row = historyList()->firstSelectedRow();
    if (row < 0 || size_t(row) >= rowIds.size()) {
        MessageBox(this, "No selected entry.", "Error", MsgIcon::Information);
        return;
    }
    if (MessageBox(this, "Delete entry?", "Confirmation", MsgIcon::Question, MsgButtons::YesNo) !=
        IDYES)
        return;
    if (historyType < Visits || historyType > Tests)
        return;
    if (deleteRow(rowIds[size_t(row)]))
        loadList(historyType);
}

bool ViewRec::deleteRow(const std::string& id) {
    bool deleted = false;
    if (historyType == Visits)
        deleted = ComplaintRecord().Delete(id);
    else if (historyType == Medications)
        deleted = PatientMedicationRecord().Delete(id);
    else if (historyType == Tests)
        deleted = TestRecord().Delete(id);
    else
        deleted = HistoryEntryRecord().Delete(id);
    if (!deleted)
        StoreFailure::show(this, historyType == Visits ? "Error deleting complaint"
                                                       : "Error deleting entry");
    return deleted;
}

void ViewRec::deleteRecord() {
    if (!mayLeave())
        return;
    if (MessageBox(this, "Permenantly delete this medical record?", "Confirmation",
                   MsgIcon::Question, MsgButtons::YesNo) != IDYES)
        return;
    if (!PatientRecord().DeleteWithRecords(patientId)) {
        StoreFailure::show(this, "Error deleting record");
        return;
    }
    MessageBox(this,
               "Record deleted successfuly. An administrator can bring it back whole from "
               "Database \u203a Deleted patients\u2026",
               "Confirmation", MsgIcon::Information);
    Navigator::instance().returnToMainMenu(*this);
}

void ViewRec::listDoubleClicked() {
    UpdateData(true);
    if (historyType == Visits && hasVisits)
        viewVisit();
}

// The row chosen in the list, or else the particulars, with the rows of the list's kind that
// were deleted. Reception sees the particulars' only.
void ViewRec::showHistory() {
    if (patientId.empty() || !mayLeave())
        return;
    const std::string patient = "the patient number " + patientId;
    HistoryOfChangesDialog::Subject subject{RowHistory::Kind::Particulars, patientId, patientId,
                                            "The particulars of " + patient,
                                            RowHistory::Kind::Particulars};
    if (Session::mayCare()) {
        const ListedRows listed = rowsOf(radioIndex(IDC_REC_VISITS));
        const int row = historyList()->firstSelectedRow();
        subject.deletedKind = listed.kind;
        if (row >= 0 && size_t(row) < rowIds.size()) {
            subject.kind = listed.kind;
            subject.recordId = rowIds[size_t(row)];
            subject.what = std::string("The ") + listed.one + " number " + subject.recordId +
                           " of " + patient;
        }
        subject.what += std::string("; below, the ") + listed.many + " deleted";
    }
    HistoryOfChangesDialog dialog(window(), subject, [this] { reloadRecord(); });
    dialog.DoModal();
}

// The record as stored now, with the list the screen showed, after a version was restored:
// no new opening of it to enter.
void ViewRec::reloadRecord() {
    const int type = radioIndex(IDC_REC_VISITS);
    historyType = type;
    fillPatient();
    infoChanged = false;
    enableControl(IDC_REC_UPDATE_INFO, false);
    if (type > Visits && Session::mayCare())
        loadList(type);
}
