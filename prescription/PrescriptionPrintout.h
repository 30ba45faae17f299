#pragma once

#include "store/ClinicInfo.h"
#include "store/DateTime.h"

#include <optional>
#include <string>
#include <vector>

class PrintDevice;
class QImage;

// What the prescription screen hands over to be printed.
struct PrescriptionEntries {
    std::string patientName;
    std::string age;
    std::string ageUnit; // "Day(s)", "Month(s)" or "Year(s)"
    std::string diagnosis;
    std::vector<std::string> drugs;
};

// One prescription as printed: the clinic's letterhead with the emblem, the title, the
// particulars, the drug lines and the signature block, placed on a grid of fifths of an inch.
// Drug lines that do not fit go on further pages, the signature block after the last one.
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

    void drawLetterhead(PrintDevice& device, const Grid& grid) const;
    void drawParticulars(PrintDevice& device, const Grid& grid) const;
    void drawDrugsAndSignature(PrintDevice& device, const Grid& grid) const;
    static void drawSignature(PrintDevice& device, const Grid& grid, int row);

    PrescriptionEntries entries;
    std::optional<ClinicInfo> header;
    DateTime today;
};
