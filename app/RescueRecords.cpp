#include "app/RescueRecords.h"

#include "app/Screens.h"
#include "platform/MessageBox.h"
#include "screens/AccessNote.h"
#include "records/RecordsEngine.h"
#include "records/TableWords.h"

#include <QApplication>

#include <algorithm>
#include <cctype>

namespace {

void showFailure(QWidget* parent, const FileFailure& failure) {
    MessageBox(parent, failure.describe(), kAppTitle,
               failure.kind == FileFailure::OutOfMemory ? MsgIcon::Exclamation : MsgIcon::Stop);
}

// "The visits" for complaints.
std::string capitalised(std::string words) {
    if (!words.empty())
        words[0] = char(std::toupper(static_cast<unsigned char>(words[0])));
    return words;
}

// Each patient by record number and name, with what of theirs could not be read; a long list
// ends with how many more there are.
std::string unreadableList(const std::vector<UnreadablePatient>& patients) {
    constexpr size_t kShown = 15;
    std::string text = "\n\nPatients whose records could not all be read:";
    for (size_t i = 0; i < std::min(patients.size(), kShown); ++i) {
        const UnreadablePatient& patient = patients[i];
        std::vector<std::string> lost;
        for (const std::string& table : patient.tables)
            lost.push_back(table == "patient_info" ? "their details" : "part of " +
                                                                        TableWords::of(table));
        text += "\nNo. " + std::to_string(patient.id) + ", " +
                (patient.name.empty() ? std::string("name unreadable") : patient.name) + ": " +
                TableWords::joined(lost);
    }
    if (patients.size() > kShown)
        text += "\n\u2026 and " + std::to_string(patients.size() - kShown) + " more";
    return text;
}

std::string summary(const RecordsRescue& rescue) {
    std::string text = "What was rescued from the damaged records file:\n";
    for (const RescuedTable& table : rescue.tables())
        text += "\n" + capitalised(TableWords::of(table.name)) + ": " +
                std::to_string(table.rescued) + " of " + std::to_string(table.claimed);
    if (!rescue.unreadable().empty())
        text += unreadableList(rescue.unreadable());
    return text + "\n\nUse the rescued records? The damaged file is kept beside them under a "
                  "dated name.";
}

} // namespace

void RescueRecords::run(QWidget* parent) {
    const auto records = RecordsEngine::current();
    const auto rescue = records->rescue();
    if (!rescue) {
        MessageBox(parent,
                   "Rescue records\u2026 is for the records file; these records are on "
                   "a server.",
                   kAppTitle, MsgIcon::Information);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A file the engine's check finds whole has nothing to rescue. One too damaged to open,
    // or one that cannot be read at all, is left to the rescue to report.
    const bool nothingToRescue = !records->check();
    const RecordsRescue::Outcome failure =
        nothingToRescue ? RecordsRescue::Outcome() : rescue->build();
    QApplication::restoreOverrideCursor();
    if (nothingToRescue) {
        MessageBox(parent,
                   "The records file is not damaged: every record can be read, so there is "
                   "nothing to rescue.",
                   "Rescue records", MsgIcon::Information);
        return;
    }
    if (failure) {
        showFailure(parent, *failure);
        return;
    }
    if (MessageBox(parent, summary(*rescue), "Rescue records", MsgIcon::Question,
                   MsgButtons::YesNo) != IDYES)
        return;
    std::string kept;
    if (const auto placed = rescue->replace(kept)) {
        showFailure(parent, *placed);
        return;
    }
    AccessNote::enter(parent, {Access::Rescue, "", "", std::nullopt, {{"damaged file kept as", kept}}});
    MessageBox(parent,
               "The rescued records are in use; the damaged file was kept beside them under a "
               "dated name.",
               "Confirmation", MsgIcon::Information);
}

void RescueRecords::offer(QWidget* parent, const FileFailure& damage) {
    if (MessageBox(parent,
                   damage.describe() +
                       "\n\nNo backup was made. Rescue every row that can still be read now "
                       "(Database \u203a Rescue records\u2026)?",
                   kAppTitle, MsgIcon::Stop, MsgButtons::YesNo) == IDYES)
        run(parent);
}
