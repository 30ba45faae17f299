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
    // What the user is told when an entry could not be entered, and why.
    static std::string notEntered();
    // The access to a row of a patient's records (their particulars: patient_info and their
    // number), as the screens carry the numbers.
    static bool enterOf(QWidget* parent, Access access, const std::string& table,
                        const std::string& record, const std::string& patientId,
                        Details details = {});
};
