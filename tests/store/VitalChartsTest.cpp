// The vital signs read as numbers, the body mass index, and the charts' series worked out
// from a patient's visits, on both engines.

#include "TestDatabase.h"

#include "store/VisitMeasurementList.h"
#include "store/VitalCharts.h"
#include "store/VitalSigns.h"
#include "store/store.h"

#include <gtest/gtest.h>

#include <map>

using Strings = std::vector<std::string>;

namespace {

struct BmiCase {
    const char* height;
    const char* weight;
    const char* shown; // empty when no index can be worked out
};

class BodyMassIndexTest : public ::testing::TestWithParam<BmiCase> {};

TEST_P(BodyMassIndexTest, IsWorkedOutOnlyFromPlausibleNumbers)
{
    const BmiCase& c = GetParam();
    const std::optional<double> bmi = VitalSigns::bodyMassIndex(c.height, c.weight);
    EXPECT_EQ(bmi ? VitalSigns::oneDecimal(*bmi) : "", c.shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, BodyMassIndexTest,
                         ::testing::Values(BmiCase{"170", "70", "24.2"},
                                           BmiCase{" 180 ", "81.5", "25.2"},
                                           BmiCase{"50", "3.2", "12.8"},
                                           BmiCase{"250", "400", "64.0"},
                                           BmiCase{"", "70", ""}, BmiCase{"170", "", ""},
                                           BmiCase{"tall", "70", ""}, BmiCase{"170", "7O", ""},
                                           BmiCase{"19", "70", ""}, BmiCase{"251", "70", ""},
                                           BmiCase{"170", "0.4", ""},
                                           BmiCase{"170", "400.1", ""},
                                           BmiCase{"-170", "70", ""},
                                           BmiCase{"1.7e2", "inf", ""}));

TEST(VitalSignsTest, ReadsNumbersAndBloodPressuresAsTyped)
{
    const std::map<std::string, std::optional<double>> numbers = {
        {"37.5", 37.5}, {" 72 ", 72},           {"0", 0},
        {"", {}},       {"37,5", {}},            {"37.5 C", {}},
        {"-1", {}},     {"+1", {}},              {"nan", {}},
        {"1e999", {}},  {"afebrile", {}},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(VitalSigns::number(text), value) << text;

    const auto pressure = [](const std::string& text) {
        const auto read = VitalSigns::bloodPressure(text);
        return read ? VitalSigns::oneDecimal(read->systolic) + " over " +
                          VitalSigns::oneDecimal(read->diastolic)
                    : "none";
    };
    EXPECT_EQ(pressure("130/85"), "130.0 over 85.0");
    EXPECT_EQ(pressure(" 120 / 80 "), "120.0 over 80.0");
    for (const char* text : {"130", "130/", "/85", "130/85/60", "high", "130-85", ""})
        EXPECT_EQ(pressure(text), "none") << text;
}

// A visit as the charts read it: its date and the measurements by column.
struct Visit {
    std::string id;
    DateTime date;
    std::map<size_t, std::string> measured;
};

VisitMeasurementList visitsOf(const std::vector<Visit>& visits)
{
    VisitMeasurementList list;
    for (const Visit& visit : visits) {
        list.m_ids.push_back(visit.id);
        list.m_dates.push_back(visit.date);
        Strings texts(kVisitTextCount);
        for (const auto& [field, text] : visit.measured)
            texts[field] = text;
        list.m_texts.push_back(texts);
    }
    return list;
}

// Each point of the line as "visit:value".
Strings pointsOf(const VitalCharts::Line& line)
{
    Strings points;
    for (const VitalCharts::Point& point : line.points)
        points.push_back(point.visitId + ":" + VitalSigns::oneDecimal(point.value));
    return points;
}

const size_t kTemp = visitText("temp"), kBp = visitText("bp"), kPulse = visitText("pulse"),
             kRR = visitText("RR"), kHeight = visitText("height"), kWeight = visitText("weight");

TEST(VitalChartsTest, HoldExactlyTheNumbersInDateOrderAndCountTheRest)
{
    // Stored out of the order of their dates; two on one day keep the order they were stored in.
    const VisitMeasurementList visits = visitsOf({
        {"1", DateTime::fromCivil(2024, 6, 1),
         {{kTemp, "38.5"}, {kBp, "150/95"}, {kPulse, "fast"}, {kRR, "18"}, {kHeight, "170"},
          {kWeight, "80"}}},
        {"2", DateTime::fromCivil(2023, 1, 10),
         {{kTemp, "afebrile"}, {kBp, "120/80"}, {kPulse, "70"}, {kWeight, "heavy"}}},
        {"3", DateTime::fromCivil(2024, 6, 1, 18), {{kTemp, "37"}, {kBp, "normal"}}},
        {"4", DateTime::fromCivil(2022, 12, 31, 9),
         {{kTemp, "36.6"}, {kBp, "110/70"}, {kHeight, "1m70"}, {kWeight, "72.5"}}},
        {"5", DateTime::fromCivil(2025, 2, 2), {{kTemp, "n/a"}, {kWeight, "81"}}},
        {"6", DateTime::fromCivil(2023, 5, 5), {}},
    });
    const std::vector<VitalCharts::Chart> charts = VitalCharts::of(visits);
    ASSERT_EQ(charts.size(), 6u);
    const auto& [temperature, pressure, pulse, rate, weight, bmi] =
        std::tie(charts[0], charts[1], charts[2], charts[3], charts[4], charts[5]);

    EXPECT_EQ(temperature.title, "Temperature (°C)");
    EXPECT_EQ(pointsOf(temperature.lines.at(0)), (Strings{"4:36.6", "1:38.5", "3:37.0"}));
    EXPECT_EQ(temperature.notNumbersNote(), "2 visits with a temperature that is not a number");

    ASSERT_EQ(pressure.lines.size(), 2u);
    EXPECT_EQ(pressure.lines[0].name, "Systolic");
    EXPECT_EQ(pointsOf(pressure.lines[0]), (Strings{"4:110.0", "2:120.0", "1:150.0"}));
    EXPECT_EQ(pointsOf(pressure.lines[1]), (Strings{"4:70.0", "2:80.0", "1:95.0"}));
    EXPECT_EQ(pressure.notNumbersNote(), "1 visit with a blood pressure that is not a number");

    EXPECT_EQ(pointsOf(pulse.lines.at(0)), (Strings{"2:70.0"}));
    EXPECT_EQ(pulse.notNumbersNote(), "1 visit with a pulse that is not a number");
    EXPECT_EQ(pointsOf(rate.lines.at(0)), (Strings{"1:18.0"}));
    EXPECT_EQ(rate.notNumbersNote(), "");

    EXPECT_EQ(pointsOf(weight.lines.at(0)), (Strings{"4:72.5", "1:80.0", "5:81.0"}));
    EXPECT_EQ(weight.notNumbersNote(), "1 visit with a weight that is not a number");
    // The weights of a usual index at the height measured last: 18.5 and 25 times 1.7².
    ASSERT_EQ(weight.usual.size(), 1u);
    EXPECT_NEAR(weight.usual[0].lowest, 53.465, 1e-9);
    EXPECT_NEAR(weight.usual[0].highest, 72.25, 1e-9);

    // Visit 5 has no height of its own and takes visit 1's; visit 4's height is no number.
    EXPECT_EQ(pointsOf(bmi.lines.at(0)), (Strings{"1:27.7", "5:28.0"}));
    EXPECT_EQ(bmi.notNumbersNote(), "1 visit with a height that is not a number");
}

TEST(VitalChartsTest, NoVisitsGiveEmptyChartsWithTheirUsualRanges)
{
    const std::vector<VitalCharts::Chart> charts = VitalCharts::of(VisitMeasurementList());
    ASSERT_EQ(charts.size(), 6u);
    for (const VitalCharts::Chart& chart : charts) {
        for (const VitalCharts::Line& line : chart.lines)
            EXPECT_TRUE(line.points.empty()) << chart.title;
        EXPECT_EQ(chart.notNumbersNote(), "") << chart.title;
    }
    EXPECT_EQ(charts[1].usual.size(), 2u);
    EXPECT_TRUE(charts[4].usual.empty()) << "no height, so no usual weight";
}

class VisitMeasurementTest : public StoreTest
{
};

ON_BOTH_ENGINES(VisitMeasurementTest);

TEST_P(VisitMeasurementTest, FetchGivesEachVisitsMeasurementsOnly)
{
    const std::string ann = addPatient();
    const std::string bob = addPatient("Bob", "Roe");
    Strings texts(kVisitTextCount, "noted");
    texts[kTemp] = "37.2";
    texts[kBp] = "125/82";
    texts[kWeight] = "";
    ComplaintRecord first, other, second;
    ASSERT_TRUE(first.Add(ann, DateTime::fromCivil(2025, 3, 4, 10, 30), texts));
    ASSERT_TRUE(other.Add(bob, DateTime::fromCivil(2025, 3, 5), texts));
    texts[kTemp] = "warm";
    ASSERT_TRUE(second.Add(ann, DateTime::fromCivil(2021, 1, 2), texts));

    VisitMeasurementList visits;
    ASSERT_TRUE(visits.Fetch(ann));
    EXPECT_EQ(visits.m_ids, (Strings{first.m_id, second.m_id}));
    ASSERT_EQ(visits.m_dates.size(), 2u);
    EXPECT_EQ(visits.m_dates[0], DateTime::fromCivil(2025, 3, 4, 10, 30));
    ASSERT_EQ(visits.m_texts.size(), 2u);
    Strings expected(kVisitTextCount);
    for (size_t i = 0; i < kVisitTextCount; ++i)
        if (*kVisitFields[i].unit)
            expected[i] = texts[i];
    EXPECT_EQ(visits.m_texts[1], expected);
    expected[kTemp] = "37.2";
    EXPECT_EQ(visits.m_texts[0], expected);

    EXPECT_FALSE(visits.Fetch("x"));
    VisitMeasurementList none;
    EXPECT_TRUE(none.Fetch("999"));
    EXPECT_TRUE(none.m_ids.empty());
}

} // namespace
