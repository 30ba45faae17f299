#include "prescription/RecordPrintout.h"

#include "platform/PrintDevice.h"
#include "prescription/Letterhead.h"
#include "prescription/LineBreaker.h"
#include "prescription/PaperMargins.h"
#include "store/VitalSigns.h"
#include "store/store.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

const PrintFont kTitleFont{0, 16, 700, false};
const PrintFont kBodyFont{0, 10, 400, false};
const PrintFont kHeadingFont{0, 10, 700, false};

const char* const kMedicationStatuses[] = {"New Chronic", "Old Chronic", "Temporary"};

PrintRow heading(const std::string& text) {
    return {0, text, true};
}

// A section's heading goes with its first entry, so that it never ends a page alone.
void addSection(std::vector<RowBlock>& blocks, const std::string& title,
                std::vector<RowBlock> entries) {
    if (entries.empty())
        entries.push_back({{0, "None recorded."}});
    RowBlock& first = entries.front();
    // An entry that opens with a blank row to stand apart needs none under the heading.
    if (!first.empty() && first.front().text.empty())
        first.erase(first.begin());
    first.insert(first.begin(), {{}, heading(title)});
    for (RowBlock& entry : entries)
        blocks.push_back(std::move(entry));
}

std::vector<RowBlock> listed(const LineBreaker& breaker, const std::vector<std::string>& texts) {
    std::vector<RowBlock> entries;
    for (const std::string& text : texts)
        entries.push_back(breaker.rows("- ", text));
    return entries;
}

// The positions of entries stored in the order of days, newest day first and, of one day's
// entries, the later entered first.
std::vector<size_t> newestFirst(const std::vector<DateTime>& days) {
    std::vector<size_t> order(days.size());
    std::iota(order.rbegin(), order.rend(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&days](size_t a, size_t b) {
        return std::floor(days[a].days()) > std::floor(days[b].days());
    });
    return order;
}

std::vector<std::string> textsOf(const std::vector<WholeRecord::Entry>& entries) {
    std::vector<std::string> texts;
    for (const WholeRecord::Entry& entry : entries)
        texts.push_back(entry.text);
    return texts;
}

} // namespace

std::optional<RecordContents> RecordContents::fetch(const std::string& patientId) {
    WholeRecord record;
    if (!record.Fetch(patientId))
        return std::nullopt;
    return of(std::move(record));
}

RecordContents RecordContents::of(WholeRecord record) {
    RecordContents c;
    c.patientId = record.m_patientId;
    c.details = record.m_details;
    c.allergies = textsOf(record.m_allergies);
    c.medical = textsOf(record.m_medical);
    c.surgical = textsOf(record.m_surgical);
    c.social = textsOf(record.m_social);
    c.family = textsOf(record.m_family);
    for (const WholeRecord::Medication& medication : record.m_medications) {
        c.medicationStatuses.push_back(medication.status);
        c.medicationNames.push_back(medication.name);
    }
    for (const WholeRecord::Test& test : record.m_tests) {
        c.testDates.push_back(test.date.format("%d/%m/%y"));
        c.testDays.push_back(test.date);
        c.testTypes.push_back(test.type);
        c.testResults.push_back(test.results);
    }
    for (WholeRecord::Visit& visit : record.m_visits)
        c.visits.push_back({visit.date, std::move(visit.texts)});
    return c;
}

// Rows of about a sixth of an inch, as typed pages have them, within the page's margins.
struct RecordPrintout::Grid {
    QRect area;
    int unit;
    int width;
    int rows;

    explicit Grid(const PrintDevice& device)
        : area(PaperMargins::within(device)), unit(std::max(1, device.dotsPerInchY() / 6)),
          width(area.width()), rows(area.height() / unit) {}

    QPoint at(int across, int row) const { return area.topLeft() + QPoint(across, row * unit); }

    void draw(PrintDevice& device, int top, const RowBlock& rows) const {
        for (size_t i = 0; i < rows.size(); ++i)
            if (!rows[i].text.empty())
                device.drawText(at(rows[i].indent, top + int(i)), rows[i].text,
                                rows[i].heading ? kHeadingFont : kBodyFont, TextAnchor::TopLeft);
    }
};

RecordPrintout::RecordPrintout(RecordContents contents, std::optional<ClinicInfo> header)
    : contents(std::move(contents)), header(std::move(header)) {}

// The whole record is laid out before the first page is drawn, so that every page can say how
// many there are.
void RecordPrintout::print(PrintDevice& device) const {
    if (!device.startDocument(kDocumentName))
        return;
    const Grid grid(device);
    const LineBreaker breaker(device, kBodyFont, grid.width);
    const RowBlock head = letterhead(device, grid.width);
    // So that a page that comes loose still tells whose it is.
    const RowBlock foot = breaker.rows("", patientLine());
    const int titleRow = head.empty() ? 0 : int(head.size()) + 1;
    const int footTop = grid.rows - 1 - int(foot.size());
    const std::vector<PageFlow::Page> pages =
        PageFlow(titleRow + 3, 0, {}, footTop - 1).pour(bodyRows(breaker));
    for (size_t number = 1; number <= pages.size(); ++number) {
        device.startPage();
        if (number == 1) {
            grid.draw(device, 0, head);
            device.drawText(grid.at(grid.width / 2, titleRow), "Patient Medical Record", kTitleFont,
                            TextAnchor::TopCentre);
        }
        const PageFlow::Page& page = pages[number - 1];
        grid.draw(device, page.top, page.rows);
        grid.draw(device, footTop, foot);
        device.drawText(grid.at(grid.width / 2, grid.rows - 1),
                        "Page " + std::to_string(number) + " of " + std::to_string(pages.size()),
                        kBodyFont, TextAnchor::TopCentre);
        device.endPage();
    }
    device.endDocument();
}

std::vector<RowBlock> RecordPrintout::bodyRows(const LineBreaker& breaker) const {
    std::vector<RowBlock> blocks = {particulars(breaker)};
    addSection(blocks, "*** ALLERGIES ***", listed(breaker, contents.allergies));
    addMedications(blocks, breaker);
    addSection(blocks, "Medical history", listed(breaker, contents.medical));
    addSection(blocks, "Surgical history", listed(breaker, contents.surgical));
    addSection(blocks, "Social history", listed(breaker, contents.social));
    addSection(blocks, "Family history", listed(breaker, contents.family));
    addTests(blocks, breaker);
    addVisits(blocks, breaker);
    return blocks;
}

RowBlock RecordPrintout::particulars(const LineBreaker& breaker) const {
    static const char* const units[] = {"Day(s)", "Month(s)", "Year(s)"};
    const PatientDetails& d = contents.details;
    RowBlock rows;
    const auto add = [&](const std::string& label, const std::string& text) {
        const RowBlock more = breaker.rows(label, text);
        rows.insert(rows.end(), more.begin(), more.end());
    };
    add("Patient's name: ", d.m_firstName + " " + d.m_lastName);
    add("Record number: ", contents.patientId);
    add("Date of birth: ",
        d.m_dob.format("%d/%m/%Y") + "    Age: " + d.m_age + " " + units[d.m_ageUnit]);
    add("Sex: ", d.m_gender == 0 ? "Male" : "Female");
    add("Address: ", d.m_address);
    add("Telephone: ", d.m_telephone);
    return rows;
}

void RecordPrintout::addMedications(std::vector<RowBlock>& blocks,
                                    const LineBreaker& breaker) const {
    std::vector<RowBlock> entries;
    const auto& statuses = contents.medicationStatuses;
    for (const char* status : kMedicationStatuses) {
        std::vector<std::string> names;
        for (size_t i = 0; i < statuses.size(); ++i)
            if (statuses[i] == status)
                names.push_back(contents.medicationNames[i]);
        std::vector<RowBlock> group = listed(breaker, names);
        if (group.empty())
            continue;
        group.front().insert(group.front().begin(), PrintRow{0, std::string(status) + ":"});
        std::move(group.begin(), group.end(), std::back_inserter(entries));
    }
    addSection(blocks, "Medications", std::move(entries));
}

void RecordPrintout::addTests(std::vector<RowBlock>& blocks, const LineBreaker& breaker) const {
    std::vector<RowBlock> entries;
    for (const size_t i : newestFirst(contents.testDays))
        entries.push_back(breaker.rows(
            "- " + contents.testDates[i] + "  " + contents.testTypes[i] + ": ",
            contents.testResults[i]));
    addSection(blocks, "Tests", std::move(entries));
}

void RecordPrintout::addVisits(std::vector<RowBlock>& blocks, const LineBreaker& breaker) const {
    std::vector<DateTime> days;
    for (const PrintedVisit& visit : contents.visits)
        days.push_back(visit.date);
    std::vector<RowBlock> entries;
    for (const size_t i : newestFirst(days))
        entries.push_back(visitRows(contents.visits[i], breaker));
    addSection(blocks, "Visits", std::move(entries));
}

// The visit's texts in the order of the visit fields: the measurements that were taken
// gathered on one line where they come, the other texts each on its own, those that need not be
// printed only when written.
RowBlock RecordPrintout::visitRows(const PrintedVisit& visit, const LineBreaker& breaker) const {
    RowBlock rows = {{}, heading("Visit of " + visit.date.format("%d/%m/%Y"))};
    const auto add = [&](const std::string& label, const std::string& value) {
        const RowBlock more = breaker.rows(label + ": ", value);
        rows.insert(rows.end(), more.begin(), more.end());
    };
    std::string measurements;
    const auto addMeasurements = [&] {
        if (measurements.empty())
            return;
        // The body mass index goes with the height and weight it is worked out from.
        if (const auto bmi = VitalSigns::bodyMassIndex(visit.texts[visitText("height")],
                                                       visit.texts[visitText("weight")]))
            measurements += ", BMI " + VitalSigns::oneDecimal(*bmi);
        add("Vital signs", std::exchange(measurements, {}));
    };
    for (size_t i = 0; i < kVisitTextCount; ++i) {
        const VisitField& field = kVisitFields[i];
        const std::string& value = visit.texts[i];
        if (*field.unit) {
            if (!value.empty())
                measurements += (measurements.empty() ? "" : ", ") +
                                std::string(field.printedLabel) + " " + value + " " + field.unit;
            continue;
        }
        addMeasurements();
        if (field.alwaysPrinted || !value.empty())
            add(field.printedLabel, value);
    }
    addMeasurements();
    return rows;
}

RowBlock RecordPrintout::letterhead(const PrintDevice& device, int width) const {
    return header ? Letterhead::rows(device, *header, width) : RowBlock();
}

std::string RecordPrintout::patientLine() const {
    const PatientDetails& d = contents.details;
    return d.m_firstName + " " + d.m_lastName + ", born " + d.m_dob.format("%d/%m/%Y") +
           ", record number " + contents.patientId;
}
