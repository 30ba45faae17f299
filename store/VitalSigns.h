#pragma once

#include <optional>
#include <string>

// Reading the vital signs as numbers: as typed on the visit screen, and as stored.
class VitalSigns {
public:
    struct BloodPressure {
        double systolic;
        double diastolic;
    };

    // The number written, spaces around it aside; nothing when the text is anything else.
    static std::optional<double> number(const std::string& text);
    // A blood pressure written as the visit screen asks for it: "130/85".
    static std::optional<BloodPressure> bloodPressure(const std::string& text);
    // The body mass index of a height in centimetres and a weight in kilograms; nothing when
    // either is missing, no number or outside what a body plausibly measures.
    static std::optional<double> bodyMassIndex(const std::string& heightCm,
                                               const std::string& weightKg);
    // A value with one decimal, "24.2", whatever the locale.
    static std::string oneDecimal(double value);
};
