#include "screens/AllergyQuestion.h"

#include "platform/MessageBox.h"
#include "screens/AllergyLine.h"
#include "screens/StoreFailure.h"
#include "store/AllergyCheck.h"

bool AllergyQuestion::allows(QWidget* parent, const std::string& patientId,
                             const std::string& patientName, const std::string& drug) {
    std::vector<std::string> allergies;
    if (!AllergyLine::fetch(patientId, allergies)) {
        StoreFailure::show(parent, "Error fetching allergies list");
        return false;
    }
    const std::optional<AllergyCheck::Match> match = AllergyCheck::find(drug, allergies);
    return !match ||
           MessageBox(parent, AllergyCheck::question(patientName, drug, *match), "Warning",
                      MsgIcon::Exclamation, MsgButtons::YesNoDefaultNo) == IDYES;
}
