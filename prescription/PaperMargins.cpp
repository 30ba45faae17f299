#include "prescription/PaperMargins.h"

#include "platform/PrintDevice.h"

#include <algorithm>
#include <cmath>

namespace {

// How much further in than the printer's own margin the least margin lies, in pixels.
int inset(int dotsPerInch, int printerMargin) {
    const int least = int(std::ceil(PaperMargins::kLeastMillimetres / 25.4 * dotsPerInch));
    return std::max(0, least - printerMargin);
}

} // namespace

QRect PaperMargins::within(const PrintDevice& device) {
    const QMargins paper = device.paperMargins();
    const int left = inset(device.dotsPerInchX(), paper.left());
    const int top = inset(device.dotsPerInchY(), paper.top());
    const int right = inset(device.dotsPerInchX(), paper.right());
    const int bottom = inset(device.dotsPerInchY(), paper.bottom());
    return QRect(left, top, std::max(1, device.printableWidth() - left - right),
                 std::max(1, device.printableHeight() - top - bottom));
}
