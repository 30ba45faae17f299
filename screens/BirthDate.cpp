#include "screens/BirthDate.h"

#include "platform/FormView.h"
#include "platform/MessageBox.h"

#include <cmath>

namespace {

double dayOf(DateTime value) {
    return std::floor(value.days());
}

} // namespace

bool BirthDate::confirm(FormView* form, int dateId, DateTime dob) {
    const double today = dayOf(DateTime::currentLocal());
    bool accepted = true;
    if (dayOf(dob) > today) {
        MessageBox(form, "The date of birth cannot be in the future.", "Error",
                   MsgIcon::Information);
        accepted = false;
    } else if (dayOf(dob) == today) {
        accepted = MessageBox(form,
                              "The date of birth is today's date. Register the patient as a "
                              "newborn?",
                              "Confirmation", MsgIcon::Question, MsgButtons::YesNo) == IDYES;
    }
    if (!accepted)
        form->controlWidget(dateId)->setFocus();
    return accepted;
}
