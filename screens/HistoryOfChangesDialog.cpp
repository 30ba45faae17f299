#include "screens/HistoryOfChangesDialog.h"

#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/StoreFailure.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace {

using Kind = RowHistory::Kind;
using Fields = std::vector<std::string>;

const char* const kCaption = "History of changes";

std::string shown(Kind kind, size_t field, const std::string& value) {
    if (kind == Kind::Particulars && field == 3 && !value.empty())
        return value == "1" ? "Female" : "Male";
    if (kind == Kind::Particulars && field == 2)
        return value.substr(0, 10);
    return value;
}

std::string actionWords(const std::string& action) {
    if (action == "insert")
        return "added";
    if (action == "update")
        return "changed";
    if (action == "delete")
        return "deleted";
    return "as first recorded";
}

// A deleted row is restored as it was just before it was deleted.
size_t lastBeforeDeletion(const std::vector<RowHistory::Version>& versions) {
    size_t last = versions.size();
    for (size_t i = 0; i < versions.size(); ++i)
        if (versions[i].action != "delete")
            last = i;
    return last;
}

} // namespace

HistoryOfChangesDialog::HistoryOfChangesDialog(QWidget* parent, Subject subject,
                                               std::function<void()> reloadOpener)
    : Dialog(kHistoryOfChangesForm, parent), subject(std::move(subject)),
      reloadOpener(std::move(reloadOpener)) {
    onClicked(IDC_HISTORY_RESTORE, [this] { restore(); });
}

ListView* HistoryOfChangesDialog::versionList() const {
    return control<ListView>(IDC_HISTORY_VERSIONS);
}

bool HistoryOfChangesDialog::OnInitDialog() {
    setControlText(IDC_HISTORY_WHAT, QString::fromStdString(subject.what));
    versionList()->insertColumn(0, "When", 100);
    versionList()->insertColumn(1, "Who", 80);
    versionList()->insertColumn(2, "What was done", 150);
    auto* changes = control<ListView>(IDC_HISTORY_CHANGES);
    changes->insertColumn(0, "Field", 90);
    changes->insertColumn(1, "Old \u2192 new", 240);
    changes->setFlexibleColumn(1, 0);
    const bool shownOk = Dialog::OnInitDialog();
    connect(versionList()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showChanges(); });
    reload();
    return shownOk;
}

bool HistoryOfChangesDialog::reload() {
    versionList()->deleteAllRows();
    history.m_versions.clear();
    deleted.m_deleted.clear();
    const bool read = (subject.recordId.empty() ||
                       history.Fetch(subject.kind, subject.patientId, subject.recordId)) &&
                      deleted.FetchDeleted(subject.deletedKind, subject.patientId);
    if (!read)
        StoreFailure::show(this, "The history of changes could not be read");
    for (const RowHistory::Version& version : history.m_versions)
        versionList()->addRow({QString::fromStdString(version.when),
                               QString::fromStdString(version.who),
                               QString::fromStdString(actionWords(version.action))});
    for (const RowHistory::DeletedRow& row : deleted.m_deleted)
        versionList()->addRow({QString::fromStdString(row.deletion.when),
                               QString::fromStdString(row.deletion.who),
                               QString::fromStdString("deleted: number " + row.id)});
    if (versionList()->rowCountNow() > 0)
        versionList()->selectRow(std::max(int(history.m_versions.size()) - 1, 0));
    showChanges();
    return read;
}

// Field by field against the version before; a deleted row's fields as they were.
void HistoryOfChangesDialog::showChanges() {
    auto* changes = control<ListView>(IDC_HISTORY_CHANGES);
    changes->deleteAllRows();
    const int row = versionList()->firstSelectedRow();
    enableControl(IDC_HISTORY_RESTORE, mayRestore(row));
    if (row < 0)
        return;
    const size_t versions = history.m_versions.size();
    const bool isDeletedRow = size_t(row) >= versions;
    const Kind kind = isDeletedRow ? subject.deletedKind : subject.kind;
    const Fields& after = isDeletedRow ? deleted.m_deleted[size_t(row) - versions].deletion.fields
                                       : history.m_versions[size_t(row)].fields;
    const bool gone = isDeletedRow || history.m_versions[size_t(row)].action == "delete";
    const Fields none(after.size());
    const Fields& before = gone      ? after
                           : row > 0 ? history.m_versions[size_t(row) - 1].fields
                                     : none;
    const std::vector<RowHistory::Field> fields = RowHistory::fields(kind);
    for (size_t field = 0; field < after.size() && field < fields.size(); ++field) {
        const std::string old = shown(kind, field, field < before.size() ? before[field] : "");
        const std::string now = gone ? std::string() : shown(kind, field, after[field]);
        if (old != now)
            changes->addRow({QString::fromStdString(fields[field].label),
                             QString::fromStdString(old + " \u2192 " + now)});
    }
}

// Any version but the one the row holds now, and any deleted row; never a deletion itself.
bool HistoryOfChangesDialog::mayRestore(int row) const {
    const size_t versions = history.m_versions.size();
    if (row < 0)
        return false;
    if (size_t(row) >= versions)
        return size_t(row) < versions + deleted.m_deleted.size();
    const bool rowDeleted = history.m_versions.back().action == "delete";
    return history.m_versions[size_t(row)].action != "delete" &&
           (rowDeleted || size_t(row) + 1 < versions);
}

void HistoryOfChangesDialog::restore() {
    const int row = versionList()->firstSelectedRow();
    if (!mayRestore(row))
        return;
    if (MessageBox(this,
                   "Put this version back? It becomes a new change, and the history keeps "
                   "every version before it. What is typed on the screen and not stored is "
                   "replaced.",
                   kCaption, MsgIcon::Question, MsgButtons::YesNo) != IDYES)
        return;
    const size_t versions = history.m_versions.size();
    const bool done = size_t(row) < versions ? history.Restore(size_t(row))
                                             : bringBack(deleted.m_deleted[size_t(row) - versions]);
    if (!done)
        StoreFailure::show(this, "The version could not be restored");
    else if (reloadOpener)
        reloadOpener();
    reload();
}

bool HistoryOfChangesDialog::bringBack(const RowHistory::DeletedRow& row) {
    RowHistory rowHistory;
    return rowHistory.Fetch(subject.deletedKind, subject.patientId, row.id) &&
           rowHistory.Restore(lastBeforeDeletion(rowHistory.m_versions));
}
