#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Brings records in from a FHIR R4 Bundle file (of any type) or a FHIR Bulk Data folder of
// NDJSON files: each resource Medora can hold becomes the rows FhirResources would have
// written it from (docs/fhir.md). The whole input is checked before anything is written:
// input that is not FHIR JSON, a resource that breaks R4's rules, or a reference to a patient
// or a visit the input does not hold refuses the import. The rows are then written in one
// transaction on the engine in use, which may take as long as the records need: they all come
// in, or, on any failure or when cancelled, none.
//
// Patients come in as new patients with new record numbers, except that an export of
// Medora's own into records that hold no patient's rows and never gave its numbers comes back
// with its record numbers and the numbers of all its rows, so that the resources' ids stay
// those of the rows they name.
class FhirImport {
public:
    // Of each resource type: how many resources came in, how many could not be held at all
    // (types Medora does not hold, a test without a date, a visit's text without its visit),
    // and how many of their elements could not be held (codes beyond their text, extensions,
    // further names, other elements).
    struct Count {
        long long taken = 0;
        long long notHeld = 0;
        long long partsLeft = 0;
        bool operator==(const Count&) const = default;
    };

    struct Report {
        long long patients = 0;
        // Whether the record numbers and row numbers are those of the input.
        bool numbersKept = false;
        std::map<std::string, Count> types;
        // The patients' identifiers other than Medora's record number, and patients without a
        // date of birth, each with the record number they came in as.
        std::vector<std::string> notes;
        // The report in words, as medora-admin prints it.
        std::string describe() const;
    };

    struct Outcome {
        enum Kind { Imported, Refused, Cancelled, Failed } kind = Imported;
        // Refused: the file, the resource and the reason; Failed: the store's failure.
        std::string message;
        Report report;
    };

    // Called as the import goes: while the input is checked with the resources read so far
    // and a total of 0, then while it is written with the resources written and their total.
    // Returning false cancels the import: nothing is written.
    using Progress = std::function<bool(long long done, long long total)>;

    // Runs the whole import before returning, calling `progress` on the same thread: a screen
    // runs it on a thread of its own. When it Failed, LastFailure there says how, as after
    // any operation of the store.
    static Outcome run(const std::string& path, const Progress& progress = {});
};
