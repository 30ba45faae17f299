#include "prescription/PrescriptionPrintout.h"

#include "platform/PrintDevice.h"

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
constexpr int kRxRow = 14;
constexpr int kFirstDrugRow = 15;
constexpr int kContinuedDrugRow = 1;
constexpr int kSignatureRows = 5;

// A text run draws line breaks as nothing, which would join the last word of one line to
// the first of the next; a blank keeps them apart.
std::string asOneRun(std::string text) {
    std::erase(text, '\r');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

struct PrescriptionPrintout::Grid {
    int unit;  // one fifth of an inch down the page
    int inch;  // one inch across
    int width; // the printable width
    int rows;  // whole line units on a page
    int bodyX;

    explicit Grid(const PrintDevice& device)
        : unit(std::max(1, device.dotsPerInchY() / 5)), inch(device.dotsPerInchX()),
          width(device.printableWidth()), rows(device.printableHeight() / unit),
          bodyX(inch - unit) {}

    void line(PrintDevice& device, int row, const std::string& text) const {
        device.drawText(QPoint(bodyX, row * unit), text, kBodyFont, TextAnchor::TopLeft);
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

void PrescriptionPrintout::print(PrintDevice& device) const {
    if (!device.startDocument(kDocumentName))
        return;
    device.startPage();
    const Grid grid(device);
    drawLetterhead(device, grid);
    device.drawText(QPoint(grid.width / 2, kTitleRow * grid.unit), "Medical Prescription (Rx)",
                    kTitleFont, TextAnchor::TopCentre);
    drawParticulars(device, grid);
    drawDrugsAndSignature(device, grid);
    device.endDocument();
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

void PrescriptionPrintout::drawParticulars(PrintDevice& device, const Grid& grid) const {
    grid.line(device, kDateRow, "Date: " + today.format("%d/%m/%y"));
    grid.line(device, kDateRow + 1, "Doctor's name: " + (header ? header->m_docName : ""));
    grid.line(device, kDateRow + 2, "Patient's name: " + entries.patientName);
    grid.line(device, kDateRow + 3, "Age: " + entries.age + " " + entries.ageUnit);
    grid.line(device, kDateRow + 4, "Diagnosis: " + asOneRun(entries.diagnosis));
    grid.line(device, kRxRow, "Rx:");
}

// A page that holds every line keeps the one-page layout. Otherwise each page takes what
// fits, and at least one drug line goes with the signature block so it never stands alone.
void PrescriptionPrintout::drawDrugsAndSignature(PrintDevice& device, const Grid& grid) const {
    const std::vector<std::string>& drugs = entries.drugs;
    size_t next = 0;
    int row = kFirstDrugRow;
    for (;;) {
        const int left = int(drugs.size() - next);
        const int room = grid.rows - row;
        // A page too short for one line and the block cannot be helped by turning pages.
        const bool hopeless = row == kContinuedDrugRow && room <= kSignatureRows;
        if (left + kSignatureRows <= room || hopeless) {
            while (next < drugs.size())
                grid.line(device, row++, "- " + drugs[next++]);
            drawSignature(device, grid, row);
            device.endPage();
            return;
        }
        const int take = std::max(0, std::min(room, left - 1));
        for (int i = 0; i < take; ++i)
            grid.line(device, row++, "- " + drugs[next++]);
        device.endPage();
        device.startPage();
        row = kContinuedDrugRow;
    }
}

void PrescriptionPrintout::drawSignature(PrintDevice& device, const Grid& grid, int row) {
    grid.line(device, row, " ");
    grid.line(device, row + 1, "Doctor's signature: ");
    grid.line(device, row + 3, " X ");
    grid.line(device, row + 4, "   _________________");
}
