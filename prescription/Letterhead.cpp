#include "prescription/Letterhead.h"

#include "prescription/LineBreaker.h"
#include "screens/StoreFailure.h"

namespace {

const PrintFont kBodyFont{0, 10, 400, false};
const PrintFont kHeadingFont{0, 10, 700, false};

} // namespace

bool Letterhead::fetch(QWidget* parent, std::optional<ClinicInfo>& header) {
    ClinicInfo clinic;
    if (!clinic.Fetch()) {
        StoreFailure::show(parent, "Error fetching clinic information");
        return false;
    }
    header.reset();
    if (clinic.m_setStatus != 0)
        header = clinic;
    return true;
}

RowBlock Letterhead::rows(const PrintDevice& device, const ClinicInfo& clinic, int width) {
    RowBlock rows = LineBreaker(device, kHeadingFont, width).rows("", clinic.m_clinicName);
    for (PrintRow& row : rows)
        row.heading = true;
    const LineBreaker body(device, kBodyFont, width);
    for (const std::string& line :
         {clinic.m_docName, clinic.m_street, clinic.m_city + ", " + clinic.m_postalCode,
          "Tel: " + clinic.m_phone}) {
        const RowBlock more = body.rows("", line);
        rows.insert(rows.end(), more.begin(), more.end());
    }
    return rows;
}
