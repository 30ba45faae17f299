#pragma once

#include "res/resource.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// What a visit field holds, and so how it is typed and checked.
enum class VisitKind {
    Text,    // any characters
    Whole,   // a vital sign in whole numbers, typed as digits
    Decimal, // a vital sign with at most one decimal
};

// One of a visit's texts, described once: where it is stored, how the visit form shows it and
// how the printed record names it. The store's statements, the visit screen and its form, the
// printed record, the made-up clinic and the benchmarks are all made from kVisitFields.
struct VisitField {
    const char* column;       // of complaints
    int control;              // on the visit form
    const char* label;        // as the visit form shows it
    const char* printedLabel; // as the printed record and the visit screen's questions name it
    // A field with a unit is a measurement: the printed record gathers a visit's measurements
    // on one line, each followed by its unit.
    const char* unit = "";
    const char* formUnit = ""; // beside the field on the visit form
    int maxChars = 65535;
    VisitKind kind = VisitKind::Text;
    double lowest = 0; // the values a body plausibly has, for the vital signs
    double highest = 0;
    bool alwaysPrinted = false; // printed even when nothing was written
};

// The visit's texts in the order of their columns in complaints, which is the order every
// operation on visits passes them in. A new field is a new entry here and a step of the
// records' upgrades; the visit form places its control.
inline constexpr VisitField kVisitFields[] = {
    {.column = "complaint",
     .control = IDC_VISIT_COMPLAINT,
     .label = "Complaint *",
     .printedLabel = "Complaint",
     .maxChars = 255,
     .alwaysPrinted = true},
    {.column = "temp",
     .control = IDC_VISIT_TEMPERATURE,
     .label = "Temperature",
     .printedLabel = "Temperature",
     .unit = "°C",
     .formUnit = "C°",
     .maxChars = 5,
     .kind = VisitKind::Decimal,
     .lowest = 30,
     .highest = 45},
    {.column = "bp",
     .control = IDC_VISIT_BLOOD_PRESSURE,
     .label = "Blood Pressure",
     .printedLabel = "Blood pressure",
     .unit = "mmHg",
     .formUnit = "mmHg",
     .maxChars = 50},
    {.column = "RR",
     .control = IDC_VISIT_RESPIRATORY_RATE,
     .label = "Respiratory rate",
     .printedLabel = "Respiratory rate",
     .unit = "/min",
     .formUnit = "min",
     .maxChars = 3,
     .kind = VisitKind::Whole,
     .lowest = 4,
     .highest = 80},
    {.column = "pulse",
     .control = IDC_VISIT_PULSE,
     .label = "Pulse",
     .printedLabel = "Pulse",
     .unit = "/min",
     .formUnit = "min",
     .maxChars = 3,
     .kind = VisitKind::Whole,
     .lowest = 20,
     .highest = 250},
    {.column = "height",
     .control = IDC_VISIT_HEIGHT,
     .label = "Height",
     .printedLabel = "Height",
     .unit = "cm",
     .formUnit = "cm",
     .maxChars = 3,
     .kind = VisitKind::Whole,
     .lowest = 20,
     .highest = 250},
    {.column = "weight",
     .control = IDC_VISIT_WEIGHT,
     .label = "Weight",
     .printedLabel = "Weight",
     .unit = "Kg",
     .formUnit = "Kg",
     .maxChars = 5,
     .kind = VisitKind::Decimal,
     .lowest = 0.5,
     .highest = 400},
    {.column = "eyes", .control = IDC_VISIT_EYES, .label = "Eyes", .printedLabel = "Eyes"},
    {.column = "HEENT",
     .control = IDC_VISIT_HEENT,
     .label = "Head, Ears, Nose and Throat",
     .printedLabel = "Head, ears, nose and throat"},
    {.column = "respiratory",
     .control = IDC_VISIT_RESPIRATORY,
     .label = "Respiratory",
     .printedLabel = "Respiratory"},
    {.column = "cardiovascular",
     .control = IDC_VISIT_CARDIOVASCULAR,
     .label = "Cardiovascular",
     .printedLabel = "Cardiovascular"},
    {.column = "GIT",
     .control = IDC_VISIT_GASTROINTESTINAL,
     .label = "Gastrointestinal",
     .printedLabel = "Gastrointestinal"},
    {.column = "genitourinary",
     .control = IDC_VISIT_GENITOURINARY,
     .label = "Genitourinary",
     .printedLabel = "Genitourinary"},
    {.column = "endocrine",
     .control = IDC_VISIT_ENDOCRINE,
     .label = "Endocrine",
     .printedLabel = "Endocrine"},
    {.column = "musculoskeletal",
     .control = IDC_VISIT_MUSCULOSKELETAL,
     .label = "Musculoskeletal",
     .printedLabel = "Musculoskeletal"},
    {.column = "hema_lymph",
     .control = IDC_VISIT_HEMA_LYMPH,
     .label = "Hematology/Lymphatics",
     .printedLabel = "Hematology/lymphatics"},
    {.column = "dermatology",
     .control = IDC_VISIT_DERMATOLOGY,
     .label = "Dermatology",
     .printedLabel = "Dermatology"},
    {.column = "psycho_neuro",
     .control = IDC_VISIT_PSYCHO_NEURO,
     .label = "Psycological/Neurological",
     .printedLabel = "Psychological/neurological"},
    {.column = "other",
     .control = IDC_VISIT_OTHER,
     .label = "Other/Misc. notes",
     .printedLabel = "Other notes"},
    {.column = "diagnosis",
     .control = IDC_VISIT_DIAGNOSIS,
     .label = "Diagnosis",
     .printedLabel = "Diagnosis",
     .alwaysPrinted = true},
    {.column = "treatment",
     .control = IDC_VISIT_TREATMENT,
     .label = "Treatment plan",
     .printedLabel = "Treatment plan",
     .alwaysPrinted = true},
};

inline constexpr size_t kVisitTextCount = std::size(kVisitFields);

// Where the field stored in `column` is among a visit's texts. A column that is no visit
// field does not compile.
consteval size_t visitText(std::string_view column) {
    for (size_t i = 0; i < kVisitTextCount; ++i)
        if (column == kVisitFields[i].column)
            return i;
    throw "no visit field is stored in that column";
}

// The texts of the visit that ComplaintList::FetchDetails appended last to `values`.
inline std::vector<std::string> lastVisitTexts(const std::vector<std::string>& values) {
    const auto count = static_cast<std::ptrdiff_t>(kVisitTextCount);
    if (static_cast<std::ptrdiff_t>(values.size()) < count)
        return std::vector<std::string>(kVisitTextCount);
    return {values.end() - count, values.end()};
}
