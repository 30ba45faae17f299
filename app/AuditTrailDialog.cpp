#include "app/AuditTrailDialog.h"

#include "platform/DataExchange.h"
#include "platform/FileDialog.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "records/PendingFile.h"
#include "res/Forms.h"
#include "res/resource.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstring>
#include <sstream>

namespace {

// The columns shown, in order, each with the field it shows.
const std::vector<std::pair<const char*, std::string AuditEntry::*>> kColumns = {
    {"Time", &AuditEntry::timeLocal}, {"User", &AuditEntry::user},
    {"Desk", &AuditEntry::desk},      {"Action", &AuditEntry::action},
    {"Table", &AuditEntry::table},    {"Record", &AuditEntry::record},
    {"Patient", &AuditEntry::patient}};

// Record numbers sort as numbers, not as texts.
bool before(const std::string& a, const std::string& b, bool numbers) {
    if (numbers && a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace

AuditTrailDialog::AuditTrailDialog(QWidget* parent, std::vector<AuditEntry> entries, Reader read)
    : Dialog(kAuditTrailForm, parent), entries(std::move(entries)), read(std::move(read)) {
    onClicked(IDC_AUDIT_SHOW, [this] { applyFilter(); });
    onClicked(IDC_AUDIT_EXPORT, [this] { exportShown(); });
}

ListView* AuditTrailDialog::list() const {
    return control<ListView>(IDC_AUDIT_LIST);
}

bool AuditTrailDialog::OnInitDialog() {
    const int widths[] = {120, 70, 70, 60, 90, 55, 55};
    for (std::size_t i = 0; i < kColumns.size(); ++i)
        list()->insertColumn(static_cast<int>(i), kColumns[i].first, widths[i]);
    list()->horizontalHeader()->setSectionsClickable(true);
    connect(list()->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortBy(column); });
    connect(list()->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showDetails(); });
    const bool shownOk = Dialog::OnInitDialog();
    fill();
    return shownOk;
}

void AuditTrailDialog::DoDataExchange(DataExchange& dx) {
    dx.text(IDC_AUDIT_FROM, from, 10);
    dx.text(IDC_AUDIT_TO, to, 10);
    dx.text(IDC_AUDIT_PATIENT, patient, 18);
    dx.text(IDC_AUDIT_USER, user, 63);
    dx.text(IDC_AUDIT_ACTION, action, 31);
}

// The same words as medora-admin audit report takes, checked the same way.
bool AuditTrailDialog::readFilter(AuditReport::Filter& chosen) {
    UpdateData(true);
    std::string why;
    const auto read = AuditReport::filterOf({"--from", from, "--to", to, "--patient", patient,
                                             "--user", user, "--action", action},
                                            why);
    if (!read) {
        MessageBox(this, "The entries cannot be chosen so: " + why + ".", "Error", MsgIcon::Stop);
        return false;
    }
    chosen = *read;
    return true;
}

// The records choose the entries, through the index on the patient's number when one is
// asked for, rather than the whole trail being read again.
void AuditTrailDialog::applyFilter() {
    if (!readFilter(filter))
        return;
    try {
        entries = read(filter);
    } catch (const std::exception& failure) {
        MessageBox(this, std::string("The audit trail could not be read: ") + failure.what(),
                   "Error", MsgIcon::Stop);
        return;
    }
    fill();
}

// A second click on the same title turns the order round.
void AuditTrailDialog::sortBy(int column) {
    ascending = column == sortColumn ? !ascending : true;
    sortColumn = column;
    fill();
}

void AuditTrailDialog::fill() {
    shown.clear();
    for (const AuditEntry& entry : entries)
        if (AuditReport::matches(entry, filter))
            shown.push_back(&entry);
    const auto field = kColumns[sortColumn].second;
    const bool numbers = field == &AuditEntry::record || field == &AuditEntry::patient;
    std::stable_sort(shown.begin(), shown.end(), [&](const AuditEntry* a, const AuditEntry* b) {
        return ascending ? before(a->*field, b->*field, numbers)
                         : before(b->*field, a->*field, numbers);
    });
    std::vector<QStringList> rows;
    for (const AuditEntry* entry : shown) {
        QStringList cells;
        for (const auto& [title, member] : kColumns)
            cells << QString::fromStdString(entry->*member);
        rows.push_back(cells);
    }
    list()->deleteAllRows();
    list()->addRows(std::move(rows));
    if (!shown.empty())
        list()->selectRow(0);
    showDetails();
}

void AuditTrailDialog::showDetails() {
    const int row = list()->firstSelectedRow();
    const bool any = row >= 0 && row < static_cast<int>(shown.size());
    control<QPlainTextEdit>(IDC_AUDIT_DETAILS)
        ->setPlainText(any ? QString::fromStdString(shown[row]->details) : QString());
}

void AuditTrailDialog::exportShown() {
    const auto target = FileDialog::choose(
        this, {FileRequest::Save, "csv", "CSV files (*.csv)", "*.csv"});
    if (!target)
        return;
    std::ostringstream csv;
    std::vector<AuditEntry> ordered;
    for (const AuditEntry* entry : shown)
        ordered.push_back(*entry);
    AuditReport::write(csv, ordered, filter);
    const std::string text = csv.str();
    if (const int error = PendingFile::writeWhole(*target, text.data(), text.size())) {
        MessageBox(this,
                   "The entries could not be written to " + *target + ": " +
                       std::strerror(error) + ".",
                   "Error", MsgIcon::Stop);
        return;
    }
    MessageBox(this,
               std::to_string(shown.size()) + (shown.size() == 1 ? " entry was" : " entries were") +
                   " written to " + *target + ".",
               "Audit trail", MsgIcon::Information);
}
