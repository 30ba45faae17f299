#pragma once

#include <QRect>

class PrintDevice;

// Office printers cut or shrink what comes nearer than about a centimetre to the edge of the
// paper, so pages keep at least 12 mm clear all round, or the printer's own margins where
// they are wider.
class PaperMargins {
public:
    static constexpr double kLeastMillimetres = 12.0;

    // The part of the device's printable area that keeps those margins, in its coordinates.
    static QRect within(const PrintDevice& device);
};
