#pragma once

#include "platform/Dialog.h"
#include "store/RowHistory.h"

#include <functional>
#include <string>

class ListView;

// Edit › History of changes…: the versions of one row of a patient's record, oldest first,
// with when and by whom, what each changed field by field, and the patient's rows of a kind
// that were deleted. "Restore this version" puts the chosen one back as a new change, after
// asking, and has the screen that opened the window show the records again.
class HistoryOfChangesDialog : public Dialog {
public:
    struct Subject {
        RowHistory::Kind kind;
        std::string patientId;
        std::string recordId;         // the row whose versions are shown
        std::string what;             // what the window says it shows
        RowHistory::Kind deletedKind; // the kind of the deleted rows shown with them
    };

    HistoryOfChangesDialog(QWidget* parent, Subject subject, std::function<void()> reloadOpener);

protected:
    bool OnInitDialog() override;

private:
    ListView* versionList() const;
    bool reload();
    void showChanges();
    bool mayRestore(int row) const;
    void restore();
    bool bringBack(const RowHistory::DeletedRow& row);

    Subject subject;
    std::function<void()> reloadOpener;
    RowHistory history;
    RowHistory deleted;
};
