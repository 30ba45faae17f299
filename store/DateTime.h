#pragma once

#include <string>

// The date value the program passes around: days since 30 December 1899, the fraction
// being the time of day. Whole seconds are the finest step that survives storage.
class DateTime
{
public:
    struct Civil
    {
        int year = 1899;
        int month = 12;
        int day = 30;
        int hour = 0;
        int minute = 0;
        int second = 0;
        int weekday = 6;   // 0 is Sunday
        int yearDay = 363; // 0 is 1 January
    };

    DateTime() = default;
    explicit DateTime(double days) : m_days(days) {}

    double days() const { return m_days; }

    static DateTime currentLocal();
    // Out-of-range fields carry over (month 13 is January of the next year).
    static DateTime fromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0);

    // False when the value lies outside the years 1 to 9999 or is not a number.
    bool toCivil(Civil& civil) const;

    // strftime patterns with English names whatever the process locale; empty when the
    // value has no calendar date.
    std::string format(const char* pattern) const;

    // The storage form, "YYYY-MM-DD HH:MM:SS"; empty when the value has no calendar date.
    std::string toIso() const;
    static bool fromIso(const std::string& text, DateTime& result);

    bool operator==(const DateTime& other) const = default;

private:
    double m_days = 0.0;
};
