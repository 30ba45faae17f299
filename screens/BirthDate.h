#pragma once

#include "store/DateTime.h"

class FormView;

// The date of birth a patient screen is about to store. A picker starts at today, so a date
// of birth left untouched would register a newborn without anyone meaning to.
class BirthDate {
public:
    // True when dob may be stored: not in the future, and today only when the user confirms
    // a newborn. Otherwise the focus goes to the date field with dateId.
    static bool confirm(FormView* form, int dateId, DateTime dob);
};
