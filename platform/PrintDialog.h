#pragma once

#include "platform/UiResponder.h"

#include <functional>

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
    // Shows the pages that draw makes on printer, at the size of the window; the user may
    // print them from there.
    static void preview(QWidget* parent, QPrinter& printer,
                        const std::function<void(QPrinter&)>& draw);
};
