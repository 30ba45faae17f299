#pragma once

#include "platform/FormView.h"

// Stands in for a screen that is not built yet: its empty form with a way back.
class PlaceholderView : public FormView {
public:
    PlaceholderView(int screenIndex, const FormTemplate& form);
};
