#include "prescription/VitalChartsPrintout.h"

#include "platform/PrintDevice.h"
#include "prescription/Letterhead.h"
#include "prescription/LineBreaker.h"
#include "prescription/PaperMargins.h"

#include <algorithm>

namespace {

const PrintFont kTitleFont{0, 16, 700, false};
const PrintFont kBodyFont{0, 10, 400, false};
const PrintFont kHeadingFont{0, 10, 700, false};

} // namespace

VitalChartsPrintout::VitalChartsPrintout(std::optional<ClinicInfo> header, std::string patient,
                                         QImage charts)
    : header(std::move(header)), patient(std::move(patient)), charts(std::move(charts)) {}

// Rows of a sixth of an inch within the margins, as the printed record has them.
void VitalChartsPrintout::print(PrintDevice& device) const {
    if (!device.startDocument(kDocumentName))
        return;
    const QRect area = PaperMargins::within(device);
    const int unit = std::max(1, device.dotsPerInchY() / 6);
    RowBlock rows = header ? Letterhead::rows(device, *header, area.width()) : RowBlock();
    const int titleRow = rows.empty() ? 0 : int(rows.size()) + 1;
    rows.resize(size_t(titleRow) + 2);
    const RowBlock name = LineBreaker(device, kBodyFont, area.width()).rows("Patient: ", patient);
    rows.insert(rows.end(), name.begin(), name.end());
    device.startPage();
    for (size_t i = 0; i < rows.size(); ++i)
        if (!rows[i].text.empty())
            device.drawText(area.topLeft() + QPoint(rows[i].indent, int(i) * unit), rows[i].text,
                            rows[i].heading ? kHeadingFont : kBodyFont, TextAnchor::TopLeft);
    device.drawText(area.topLeft() + QPoint(area.width() / 2, titleRow * unit),
                    "Vital signs charts", kTitleFont, TextAnchor::TopCentre);
    const int top = area.top() + int(rows.size() + 1) * unit;
    const QSize room(area.width(), area.bottom() + 1 - top);
    if (!charts.isNull() && room.height() > 0) {
        const QSize size = charts.size().scaled(room, Qt::KeepAspectRatio);
        device.drawBitmap(
            charts, QRect(QPoint(area.left() + (room.width() - size.width()) / 2, top), size));
    }
    device.endPage();
    device.endDocument();
}
