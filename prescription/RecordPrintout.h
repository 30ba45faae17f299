#pragma once

#include "prescription/PageFlow.h"
#include "store/ClinicInfo.h"
#include "store/DateTime.h"
#include "store/PatientDetails.h"
#include "store/WholeRecord.h"

#include <optional>
#include <string>
#include <vector>

class LineBreaker;
class PrintDevice;

// One visit as the record prints it: its date and its texts in the order of the visit fields.
struct PrintedVisit {
    DateTime date;
    std::vector<std::string> texts;
};

// Everything stored about one patient, read for printing.
struct RecordContents {
    std::string patientId;
    PatientDetails details;
    std::vector<std::string> allergies;
    std::vector<std::string> medicationStatuses;
    std::vector<std::string> medicationNames;
    std::vector<std::string> medical;
    std::vector<std::string> surgical;
    std::vector<std::string> social;
    std::vector<std::string> family;
    std::vector<std::string> testDates;
    std::vector<DateTime> testDays; // the same dates, to put the tests in order
    std::vector<std::string> testTypes;
    std::vector<std::string> testResults;
    std::vector<PrintedVisit> visits; // as stored, oldest first

    // The whole record of that patient as one moment held it; nothing when it cannot be read.
    static std::optional<RecordContents> fetch(const std::string& patientId);
    static RecordContents of(WholeRecord record);
};

// A patient's whole record on paper: the clinic's letterhead, the patient's particulars, the
// allergies first and marked, the medications by status, the four histories, the tests and
// every visit, each newest first by its date. Texts wrap within the page; a block that fits on a
// page is never split. Every page ends with the patient's name, date of birth and "Page N of M".
class RecordPrintout {
public:
    RecordPrintout(RecordContents contents, std::optional<ClinicInfo> header);

    void print(PrintDevice& device) const;
    const PatientDetails& details() const { return contents.details; }

    static constexpr const char* kDocumentName = "Patient Medical Record";

private:
    struct Grid;

    std::vector<RowBlock> bodyRows(const LineBreaker& breaker) const;
    RowBlock particulars(const LineBreaker& breaker) const;
    void addMedications(std::vector<RowBlock>& blocks, const LineBreaker& breaker) const;
    void addTests(std::vector<RowBlock>& blocks, const LineBreaker& breaker) const;
    void addVisits(std::vector<RowBlock>& blocks, const LineBreaker& breaker) const;
    RowBlock visitRows(const PrintedVisit& visit, const LineBreaker& breaker) const;
    RowBlock letterhead(const PrintDevice& device, int width) const;
    std::string patientLine() const;

    RecordContents contents;
    std::optional<ClinicInfo> header;
};
