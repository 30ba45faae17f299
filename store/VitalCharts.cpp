#include "store/VitalCharts.h"

#include "store/VisitField.h"
#include "store/VisitMeasurementList.h"
#include "store/VitalSigns.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

// The usual body mass index of an adult, which also gives the weights to shade.
constexpr VitalCharts::Band kUsualBmi{18.5, 25};

using Texts = std::vector<std::string>;

// The visits' positions in the order of their days, visits of one day as they were stored.
std::vector<size_t> byDate(const std::vector<DateTime>& dates) {
    std::vector<size_t> order(dates.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&dates](size_t a, size_t b) {
        return std::floor(dates[a].days()) < std::floor(dates[b].days());
    });
    return order;
}

VitalCharts::Chart chartOf(size_t field, std::vector<VitalCharts::Line> lines,
                           std::vector<VitalCharts::Band> usual) {
    const VisitField& described = kVisitFields[field];
    std::string measure = described.printedLabel;
    measure.front() = char(std::tolower(static_cast<unsigned char>(measure.front())));
    return {std::string(described.printedLabel) + " (" + described.unit + ")",
            described.unit,
            std::move(lines),
            std::move(usual),
            0,
            std::move(measure)};
}

// One measure written as one number.
VitalCharts::Chart numbers(const VisitMeasurementList& visits, const std::vector<size_t>& order,
                           size_t field, std::vector<VitalCharts::Band> usual) {
    VitalCharts::Chart chart = chartOf(field, {{}}, std::move(usual));
    for (const size_t i : order) {
        const std::string& text = visits.m_texts[i][field];
        if (text.empty())
            continue;
        if (const std::optional<double> value = VitalSigns::number(text))
            chart.lines[0].points.push_back({visits.m_dates[i], *value, visits.m_ids[i]});
        else
            ++chart.notNumbers;
    }
    return chart;
}

VitalCharts::Chart bloodPressure(const VisitMeasurementList& visits,
                                 const std::vector<size_t>& order) {
    const size_t field = visitText("bp");
    VitalCharts::Chart chart =
        chartOf(field, {{"Systolic", {}}, {"Diastolic", {}}}, {{90, 120}, {60, 80}});
    for (const size_t i : order) {
        const std::string& text = visits.m_texts[i][field];
        if (text.empty())
            continue;
        const auto pressure = VitalSigns::bloodPressure(text);
        if (!pressure) {
            ++chart.notNumbers;
            continue;
        }
        chart.lines[0].points.push_back({visits.m_dates[i], pressure->systolic, visits.m_ids[i]});
        chart.lines[1].points.push_back({visits.m_dates[i], pressure->diastolic, visits.m_ids[i]});
    }
    return chart;
}

// A visit without a height of its own takes the one measured last before it: an adult's
// height is seldom measured at every visit.
VitalCharts::Chart bodyMassIndex(const VisitMeasurementList& visits,
                                 const std::vector<size_t>& order) {
    VitalCharts::Chart chart{"BMI (kg/m²)", "kg/m²", {{}}, {kUsualBmi}, 0, "height"};
    std::string height;
    for (const size_t i : order) {
        const Texts& texts = visits.m_texts[i];
        const std::string& measured = texts[visitText("height")];
        if (!measured.empty() && !VitalSigns::number(measured))
            ++chart.notNumbers;
        else if (!measured.empty())
            height = measured;
        if (const auto bmi = VitalSigns::bodyMassIndex(height, texts[visitText("weight")]))
            chart.lines[0].points.push_back({visits.m_dates[i], *bmi, visits.m_ids[i]});
    }
    return chart;
}

// The weights of a usual body mass index at the height measured last.
std::vector<VitalCharts::Band> usualWeights(const VisitMeasurementList& visits,
                                            const std::vector<size_t>& order) {
    for (auto i = order.rbegin(); i != order.rend(); ++i) {
        const std::string& height = visits.m_texts[*i][visitText("height")];
        // The index of one kilogram at that height.
        const auto perKilogram = VitalSigns::bodyMassIndex(height, "1");
        if (perKilogram)
            return {{kUsualBmi.lowest / *perKilogram, kUsualBmi.highest / *perKilogram}};
    }
    return {};
}

} // namespace

std::string VitalCharts::Chart::notNumbersNote() const {
    if (notNumbers == 0)
        return {};
    return std::to_string(notNumbers) + (notNumbers == 1 ? " visit" : " visits") + " with a " +
           measure + " that is not a number";
}

std::vector<VitalCharts::Chart> VitalCharts::of(const VisitMeasurementList& visits) {
    const std::vector<size_t> order = byDate(visits.m_dates);
    return {
        numbers(visits, order, visitText("temp"), {{36.1, 37.2}}),
        bloodPressure(visits, order),
        numbers(visits, order, visitText("pulse"), {{60, 100}}),
        numbers(visits, order, visitText("RR"), {{12, 20}}),
        numbers(visits, order, visitText("weight"), usualWeights(visits, order)),
        bodyMassIndex(visits, order),
    };
}
