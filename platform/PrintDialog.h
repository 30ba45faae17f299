#pragma once

#include "platform/UiResponder.h"

// The print dialog: the user picks the printer (every CUPS queue, or a PDF file) each time.
class PrintDialog {
public:
    static bool run(QWidget* parent, QPrinter& printer) {
        return UiResponder::current().printDialog(parent, printer);
    }
};
