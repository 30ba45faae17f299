#include "prescription/PrescriptionPrintout.h"

#include "platform/PrintDevice.h"
#include "prescription/LineBreaker.h"
#include "prescription/PaperMargins.h"

#include <QImage>
#include <algorithm>

namespace {

const PrintFont kTitleFont{120, 0, 900, true};
const PrintFont kHeaderFont{100, 0, 900, true};
const PrintFont kBodyFont{0, 12, 700, false};

// The emblem keeps one fixed size in device pixels whatever the resolution.
const QSize kEmblemSize(364, 404);

// Rows of the grid, counted in line units from the top of the printable area.
constexpr int kTitleRow = 6;
constexpr int kDateRow = 8;
constexpr int kContinuedRow = 1;
// Pages of a longer prescription keep their last two rows for "continued overleaf" and the
// page number.
constexpr int kFootRows = 2;

} // namespace

struct PrescriptionPrintout::Grid {
    int unit;  // one fifth of an inch down the page
    int inch;  // one inch across
    int width; // the printable width
    int rows;  // whole line units on a page
    int bodyX;
    // A prescription of several pages keeps within the margins office printers need: its
    // rows end before endX, its further pages start at continuedRow and its feet end with
    // the row before endRow. The body column lies further in than any such margin.
    QRect margins;
    int endX;
    int continuedRow;
    int endRow;

    explicit Grid(const PrintDevice& device)
        : unit(std::max(1, device.dotsPerInchY() / 5)), inch(device.dotsPerInchX()),
          width(device.printableWidth()), rows(device.printableHeight() / unit), bodyX(inch - unit),
          margins(PaperMargins::within(device)), endX(margins.x() + margins.width()),
          continuedRow(std::max(kContinuedRow, (margins.y() + unit - 1) / unit)),
          endRow((margins.y() + margins.height()) / unit) {}

    void draw(PrintDevice& device, int lineUnit, const PrintRow& row) const {
        if (!row.text.empty())
            device.drawText(QPoint(bodyX + row.indent, lineUnit * unit), row.text, kBodyFont,
                            TextAnchor::TopLeft);
    }
};

PrescriptionPrintout::PrescriptionPrintout(PrescriptionEntries entries,
                                           std::optional<ClinicInfo> header, DateTime today)
    : entries(std::move(entries)), header(std::move(header)), today(today) {}

QImage PrescriptionPrintout::emblem() {
    // The resource lives in a static library, so it has to be registered by hand, once.
    static const bool registered = [] {
        Q_INIT_RESOURCE(prescription);
        return true;
    }();
    Q_UNUSED(registered);
    return QImage(":/prescription/emblem.png");
}

// The whole prescription is laid out before the first page is drawn, so that every page
// can say how many there are.
void PrescriptionPrintout::print(PrintDevice& device) const {
    if (!device.startDocument(kDocumentName))
        return;
    const Grid grid(device);
    const std::vector<PageFlow::Page> pages = layOut(device, grid);
    for (size_t number = 1; number <= pages.size(); ++number) {
        device.startPage();
        if (number == 1) {
            drawLetterhead(device, grid);
            device.drawText(QPoint(grid.width / 2, kTitleRow * grid.unit),
                            "Medical Prescription (Rx)", kTitleFont, TextAnchor::TopCentre);
        }
        const PageFlow::Page& page = pages[number - 1];
        for (size_t i = 0; i < page.rows.size(); ++i)
            grid.draw(device, page.top + int(i), page.rows[i]);
        if (pages.size() > 1)
            drawFoot(device, grid, int(number), int(pages.size()));
        device.endPage();
    }
    device.endDocument();
}

// A prescription that fits keeps the one page it always had, without a foot. A longer one
// goes over as many pages as it takes, each headed by the patient's name and the date, its
// rows kept within the margins; the first page keeps its places.
std::vector<PageFlow::Page> PrescriptionPrintout::layOut(const PrintDevice& device,
                                                         const Grid& grid) const {
    const LineBreaker breaker(device, kBodyFont, grid.width - grid.bodyX);
    const std::vector<PageFlow::Page> onePage =
        PageFlow(kDateRow, kContinuedRow, continuedPageHeading(breaker), grid.rows)
            .pour(bodyRows(breaker));
    if (onePage.size() == 1)
        return onePage;
    const LineBreaker within(device, kBodyFont, grid.endX - grid.bodyX);
    return PageFlow(kDateRow, grid.continuedRow, continuedPageHeading(within),
                    grid.endRow - kFootRows)
        .pour(bodyRows(within));
}

// Only raster printers reproduce the emblem; elsewhere the letterhead moves to its place.
void PrescriptionPrintout::drawLetterhead(PrintDevice& device, const Grid& grid) const {
    int column = grid.unit;
    if (device.isRasterPrinter()) {
        device.drawBitmap(emblem(), QRect(QPoint(grid.unit, grid.unit), kEmblemSize));
        column = grid.inch;
    }
    if (!header)
        return;
    const int u = grid.unit;
    const auto at = [column](int y) { return QPoint(column, y); };
    device.drawText(at(u), header->m_clinicName, kHeaderFont, TextAnchor::TopLeft);
    device.drawText(at(2 * u), header->m_street, kBodyFont, TextAnchor::TopLeft);
    device.drawText(at(3 * u), header->m_city + ", " + header->m_postalCode, kBodyFont,
                    TextAnchor::TopLeft);
    device.drawText(at(4 * u), "Tel: " + header->m_phone, kBodyFont, TextAnchor::TopLeft);
}

// The particulars and the allergies, then the drug lines. The first drug line takes "Rx:"
// along and the last the signature block, so that neither is ever left alone on a page.
std::vector<RowBlock> PrescriptionPrintout::bodyRows(const LineBreaker& breaker) const {
    std::vector<RowBlock> blocks = {
        breaker.rows("Date: ", date()),
        breaker.rows("Doctor's name: ", header ? header->m_docName : ""),
        breaker.rows("Patient's name: ", entries.patientName),
        breaker.rows("Age: ", entries.age + " " + entries.ageUnit),
        breaker.rows("Diagnosis: ", entries.diagnosis),
    };
    if (entries.allergies)
        blocks.push_back(breaker.rows("Allergies: ", *entries.allergies));
    const size_t firstDrug = blocks.size();
    for (const std::string& drug : entries.drugs)
        blocks.push_back(breaker.rows("- ", drug));
    if (blocks.size() == firstDrug)
        blocks.emplace_back();
    const RowBlock rx = {{}, {0, "Rx:"}};
    const RowBlock signature = {
        {0, " "}, {0, "Doctor's signature: "}, {}, {0, " X "}, {0, "   _________________"}};
    blocks[firstDrug].insert(blocks[firstDrug].begin(), rx.begin(), rx.end());
    blocks.back().insert(blocks.back().end(), signature.begin(), signature.end());
    return blocks;
}

// So that a page that comes loose still tells whose it is.
RowBlock PrescriptionPrintout::continuedPageHeading(const LineBreaker& breaker) const {
    RowBlock heading = breaker.rows("Patient's name: ", entries.patientName);
    const RowBlock dated = breaker.rows("Date: ", date());
    heading.insert(heading.end(), dated.begin(), dated.end());
    heading.push_back({});
    return heading;
}

std::string PrescriptionPrintout::date() const {
    return today.format("%d/%m/%y");
}

void PrescriptionPrintout::drawFoot(PrintDevice& device, const Grid& grid, int number,
                                    int pageCount) {
    if (number < pageCount)
        grid.draw(device, grid.endRow - 2, {0, "continued overleaf"});
    device.drawText(
        QPoint(grid.margins.x() + grid.margins.width() / 2, (grid.endRow - 1) * grid.unit),
        "Page " + std::to_string(number) + " of " + std::to_string(pageCount), kBodyFont,
        TextAnchor::TopCentre);
}
