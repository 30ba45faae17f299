#pragma once

#include "platform/Dialog.h"
#include "store/AuditChain.h"
#include "records/AuditReport.h"

#include <functional>
#include <string>
#include <vector>

class ListView;

// Database › Audit trail…: the entries of the trail that match the period, patient, user and
// action typed, sorted by whichever column's title was clicked, the details of the chosen one,
// and "Export…" to a CSV file that only its owner may read.
class AuditTrailDialog : public Dialog {
public:
    // Reads the entries that match a filter from the records; throws what keeps it from it.
    using Reader = std::function<std::vector<AuditEntry>(const AuditReport::Filter&)>;

    // Shows `entries`, the whole trail; `read` chooses them anew for each filter.
    AuditTrailDialog(QWidget* parent, std::vector<AuditEntry> entries, Reader read);

    void DoDataExchange(DataExchange& dx) override;

protected:
    bool OnInitDialog() override;

private:
    ListView* list() const;
    bool readFilter(AuditReport::Filter& filter);
    void applyFilter();
    void sortBy(int column);
    void fill();
    void showDetails();
    void exportShown();

    std::vector<AuditEntry> entries;
    Reader read;
    std::vector<const AuditEntry*> shown;
    AuditReport::Filter filter;
    int sortColumn = 0;
    bool ascending = true;
    std::string from, to, patient, user, action;
};
