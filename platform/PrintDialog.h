#pragma once

#include "platform/UiResponder.h"

// The print dialog: the user picks the printer (every CUPS queue, or a PDF file) each time.
class PrintDialog {
public:
    static bool run(QWidget* parent, QPrinter& printer) {
        return UiResponder::current().printDialog(parent, printer);
    }
    // Paper and printer only: nothing is printed from here.
    static bool runSetup(QWidget* parent, QPrinter& printer) {
        return UiResponder::current().pageSetupDialog(parent, printer);
    }
};
