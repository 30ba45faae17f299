#include "app/RescueRecords.h"

#include "app/Screens.h"
#include "platform/MessageBox.h"
#include "records/RecordsRescue.h"
#include "store/Database.h"
#include "store/Engine.h"

#include <QApplication>

namespace {

void showFailure(QWidget* parent, const FileFailure& failure) {
    MessageBox(parent, failure.describe(), kAppTitle,
               failure.kind == FileFailure::OutOfMemory ? MsgIcon::Exclamation : MsgIcon::Stop);
}

std::string summary(const std::vector<RescuedTable>& tables) {
    std::string text = "Rows rescued from the damaged records file:\n";
    for (const RescuedTable& table : tables)
        text += "\n" + table.name + ": " + std::to_string(table.rescued) + " of " +
                std::to_string(table.claimed);
    return text + "\n\nUse the rescued records? The damaged file is kept beside them under a "
                  "dated name.";
}

} // namespace

void RescueRecords::run(QWidget* parent) {
    if (!Engine::serverConnection().empty()) {
        MessageBox(parent,
                   "Rescue records\u2026 is for the records file; these records are on "
                   "a server.",
                   kAppTitle, MsgIcon::Information);
        return;
    }
    RecordsRescue rescue(Database::fileName);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto failure = rescue.build();
    QApplication::restoreOverrideCursor();
    if (failure) {
        showFailure(parent, *failure);
        return;
    }
    if (MessageBox(parent, summary(rescue.tables()), "Rescue records", MsgIcon::Question,
                   MsgButtons::YesNo) != IDYES)
        return;
    std::string kept;
    if (const auto placed = rescue.replace(kept)) {
        showFailure(parent, *placed);
        return;
    }
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
