#pragma once

#include "store/ClinicInfo.h"

#include <QImage>
#include <optional>
#include <string>

class PrintDevice;

// The vital signs charts on one page: the clinic's letterhead, the title, the patient's name
// and the charts' picture below, as large as the page holds without changing its proportions.
class VitalChartsPrintout {
public:
    VitalChartsPrintout(std::optional<ClinicInfo> header, std::string patient, QImage charts);

    void print(PrintDevice& device) const;

    static constexpr const char* kDocumentName = "Vital Signs Charts";

private:
    std::optional<ClinicInfo> header;
    std::string patient;
    QImage charts;
};
