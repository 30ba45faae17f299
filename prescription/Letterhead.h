#pragma once

#include "prescription/PrintRow.h"
#include "store/ClinicInfo.h"

#include <optional>

class PrintDevice;
class QWidget;

// The clinic's letterhead that the printouts of a patient's records go under.
class Letterhead {
public:
    // The clinic's information when it has been entered, else none; false, after telling the
    // user why, when it cannot be read.
    static bool fetch(QWidget* parent, std::optional<ClinicInfo>& header);
    // The clinic's name in the heavier face, then the doctor, the address and the telephone,
    // each wrapped within width.
    static RowBlock rows(const PrintDevice& device, const ClinicInfo& clinic, int width);
};
