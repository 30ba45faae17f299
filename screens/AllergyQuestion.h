#pragma once

#include <string>

class QWidget;

// The question asked before a drug is added to a prescription or to the patient's
// medications when its name matches one of the patient's allergy entries.
class AllergyQuestion {
public:
    // True when the drug may be added: it matches no allergy entry, or the user answered Yes.
    // Allergies that cannot be read are reported, and the drug is not added.
    static bool allows(QWidget* parent, const std::string& patientId,
                       const std::string& patientName, const std::string& drug);
};
