#pragma once

#include "prescription/PageFlow.h"
#include "store/ClinicInfo.h"
#include "store/DateTime.h"

#include <optional>
#include <string>
#include <vector>

class LineBreaker;
class PrintDevice;
class QImage;

// What the prescription screen hands over to be printed.
struct PrescriptionEntries {
    std::string patientName;
    std::string age;
    std::string ageUnit; // "Day(s)", "Month(s)" or "Year(s)"
    std::string diagnosis;
    std::vector<std::string> drugs;
    // What follows "Allergies: " for a patient of the records; none for a name typed in.
    std::optional<std::string> allergies = std::nullopt;
};

// One prescription as printed: the clinic's letterhead with the emblem, the title, the
// particulars and allergies, the drug lines and the signature block, placed on a grid of
// fifths of an inch. Lines wider than the page wrap between words. What does not fit on the
// first page goes on over further pages, each headed by the patient's name and the date and
// numbered at its foot; the signature block comes on the last.
class PrescriptionPrintout {
public:
    // Without a header the letterhead is left out and the doctor's name left blank.
    PrescriptionPrintout(PrescriptionEntries entries, std::optional<ClinicInfo> header,
                         DateTime today);

    void print(PrintDevice& device) const;

    static constexpr const char* kDocumentName = "Medical Prescription";
    static QImage emblem();

private:
    struct Grid;

    std::vector<PageFlow::Page> layOut(const PrintDevice& device, const Grid& grid) const;
    std::vector<RowBlock> bodyRows(const LineBreaker& breaker) const;
    RowBlock continuedPageHeading(const LineBreaker& breaker) const;
    std::string date() const;
    void drawLetterhead(PrintDevice& device, const Grid& grid) const;
    static void drawFoot(PrintDevice& device, const Grid& grid, int number, int pageCount);

    PrescriptionEntries entries;
    std::optional<ClinicInfo> header;
    DateTime today;
};
