#include "screens/AccessNote.h"

#include "platform/MessageBox.h"
#include "store/LastFailure.h"
#include "store/RecordId.h"

bool AccessNote::enter(QWidget* parent, const AccessTrail::Entry& entry) {
    if (AccessTrail::enter(entry))
        return true;
    MessageBox(parent, notEntered(), "Warning", MsgIcon::Exclamation);
    return false;
}

std::string AccessNote::notEntered() {
    const std::string why = LastFailure::message();
    return std::string("This could not be entered in the audit trail, which keeps who did what "
                       "with the records") +
           (why.empty() ? "." : ": " + why) +
           " What you did is done. Please tell the clinic's administrator.";
}

bool AccessNote::enterOf(QWidget* parent, Access access, const std::string& table,
                         const std::string& record, const std::string& patientId,
                         Details details) {
    int patient = 0;
    AccessTrail::Entry entry{access, table, record, std::nullopt, std::move(details)};
    if (parseRecordId(patientId, patient))
        entry.patient = patient;
    return enter(parent, entry);
}
