#pragma once

#include "store/DateTime.h"

#include <string>
#include <vector>

class VisitMeasurementList;

// A patient's vital signs as charts over time, worked out apart from any drawing: one chart
// per measure (temperature, blood pressure, pulse, respiratory rate, weight and body mass
// index), each with its lines of points in the order of the visits' dates, the usual range to
// shade, and how many visits had a value written that is no number and so is left out.
class VitalCharts {
public:
    struct Point {
        DateTime date;
        double value;
        std::string visitId;
    };
    struct Line {
        std::string name; // "Systolic"; empty when the chart has one line
        std::vector<Point> points;
    };
    // The usual range of an adult at rest.
    struct Band {
        double lowest;
        double highest;
    };
    struct Chart {
        std::string title; // "Temperature (°C)"
        std::string unit;  // "°C"
        std::vector<Line> lines;
        std::vector<Band> usual;
        int notNumbers = 0;
        // "2 visits with a temperature that is not a number"; empty when every value is one.
        std::string notNumbersNote() const;

        std::string measure; // "temperature", as the note names it
    };

    static std::vector<Chart> of(const VisitMeasurementList& visits);
};
