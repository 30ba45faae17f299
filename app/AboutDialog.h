#pragma once

#include "platform/Dialog.h"

// "About Medora": the product, its version and who made it.
class AboutDialog : public Dialog {
public:
    explicit AboutDialog(QWidget* parent);
};
