#include "store/VitalSigns.h"

#include "store/VisitField.h"

#include <charconv>
#include <cmath>

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<double> numberIn(std::string_view text) {
    text = trimmed(text);
    // from_chars takes no sign of its own; a vital sign has none.
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> plausible(const std::string& text, const VisitField& field) {
    const std::optional<double> value = numberIn(text);
    if (!value || *value < field.lowest || *value > field.highest)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> VitalSigns::number(const std::string& text) {
    return numberIn(text);
}

std::optional<VitalSigns::BloodPressure> VitalSigns::bloodPressure(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const std::string_view whole(text);
    const std::optional<double> systolic = numberIn(whole.substr(0, slash));
    const std::optional<double> diastolic = numberIn(whole.substr(slash + 1));
    if (!systolic || !diastolic)
        return std::nullopt;
    return BloodPressure{*systolic, *diastolic};
}

std::optional<double> VitalSigns::bodyMassIndex(const std::string& heightCm,
                                                const std::string& weightKg) {
    const std::optional<double> height = plausible(heightCm, kVisitFields[visitText("height")]);
    const std::optional<double> weight = plausible(weightKg, kVisitFields[visitText("weight")]);
    if (!height || !weight)
        return std::nullopt;
    const double metres = *height / 100;
    return *weight / (metres * metres);
}

std::string VitalSigns::oneDecimal(double value) {
    char text[32];
    const auto [end, error] =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text, end) : std::string();
}
