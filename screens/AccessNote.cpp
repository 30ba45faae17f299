#include "screens/AccessNote.h"

#include "platform/MessageBox.h"
#include "store/AccessWriter.h"
#include "store/LastFailure.h"
#include "store/RecordId.h"

#include <QApplication>

bool AccessNote::enter(QWidget* parent, const AccessTrail::Entry& entry) {
    if (AccessTrail::enter(entry))
        return true;
    MessageBox(parent, notEntered(), "Warning", MsgIcon::Exclamation);
    return false;
}

std::string AccessNote::notEntered() {
    return notEntered(LastFailure::message());
}

std::string AccessNote::notEntered(const std::string& why) {
    return std::string("This could not be entered in the audit trail, which keeps who did what "
                       "with the records") +
           (why.empty() ? "." : ": " + why) +
           " What you did is done. Please tell the clinic's administrator.";
}

namespace {

AccessTrail::Entry rowEntry(Access access, const std::string& table, const std::string& record,
                            const std::string& patientId, AccessNote::Details details) {
    int patient = 0;
    AccessTrail::Entry entry{access, table, record, std::nullopt, std::move(details)};
    if (parseRecordId(patientId, patient))
        entry.patient = patient;
    return entry;
}

// The window the user is at when the writer's thread has tried the entry.
void tellFailures() {
    for (const std::string& why : AccessWriter::takeFailures())
        MessageBox(QApplication::activeWindow(), AccessNote::notEntered(why), "Warning",
                   MsgIcon::Exclamation);
}

} // namespace

bool AccessNote::enterOf(QWidget* parent, Access access, const std::string& table,
                         const std::string& record, const std::string& patientId,
                         Details details) {
    return enter(parent, rowEntry(access, table, record, patientId, std::move(details)));
}

void AccessNote::enterOpened(const std::string& table, const std::string& record,
                             const std::string& patientId) {
    // Told on the screens' thread; the program closing waits for the entries before it ends.
    AccessWriter::queue(rowEntry(Access::Open, table, record, patientId, {}), [] {
        if (QCoreApplication* program = QCoreApplication::instance())
            QMetaObject::invokeMethod(program, tellFailures, Qt::QueuedConnection);
    });
}

void AccessNote::settle() {
    AccessWriter::drain();
    tellFailures();
}
