#pragma once

#include "store/AccessTrail.h"

#include <string>
#include <utility>
#include <vector>

class QWidget;

// What the user did with the records, entered in the audit trail once it is done. An entry
// that cannot be entered is reported to the user, never dropped unsaid.
class AccessNote {
public:
    using Details = std::vector<std::pair<std::string, std::string>>;

    // False after telling the user that the entry could not be entered.
    static bool enter(QWidget* parent, const AccessTrail::Entry& entry);
    // What the user is told when an entry could not be entered, and why (by default, the
    // last failure of the calling thread's store).
    static std::string notEntered();
    static std::string notEntered(const std::string& why);
    // The access to a row of a patient's records (their particulars: patient_info and their
    // number), as the screens carry the numbers.
    static bool enterOf(QWidget* parent, Access access, const std::string& table,
                        const std::string& record, const std::string& patientId,
                        Details details = {});
    // As enterOf() for the opening of a patient's row, which the screen shows without waiting
    // for the entry: an entry that cannot be entered is told once it has been tried.
    static void enterOpened(const std::string& table, const std::string& record,
                            const std::string& patientId);
    // Waits for the entries of enterOpened() and tells any that could not be entered; before
    // the program ends.
    static void settle();
};
