#include "exchange/FhirTime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The offset from UTC, in minutes, of the local civil time `civil` in the clinic's zone.
long offsetMinutes(const DateTime::Civil& civil)
{
    std::tm local{};
    local.tm_year = civil.year - 1900;
    local.tm_mon = civil.month - 1;
    local.tm_mday = civil.day;
    local.tm_hour = civil.hour;
    local.tm_min = civil.minute;
    local.tm_sec = civil.second;
    local.tm_isdst = -1;
    if (std::mktime(&local) == static_cast<std::time_t>(-1))
        return 0;
    return local.tm_gmtoff / 60;
}

// The number of `count` digits at `at` in `text`, or -1.
int digits(const std::string& text, size_t at, size_t count)
{
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool separatorAt(const std::string& text, size_t at, char separator)
{
    return at < text.size() && text[at] == separator;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "YYYY", "YYYY-MM" or "YYYY-MM-DD" at the start of `text`; `end` is where it stops.
bool readDate(const std::string& text, DateTime::Civil& civil, size_t& end)
{
    civil = DateTime::Civil{};
    civil.year = digits(text, 0, 4);
    civil.month = 1;
    civil.day = 1;
    end = 4;
    if (civil.year < 1)
        return false;
    if (separatorAt(text, 4, '-')) {
        civil.month = digits(text, 5, 2);
        end = 7;
        if (civil.month < 1 || civil.month > 12)
            return false;
        if (separatorAt(text, 7, '-')) {
            civil.day = digits(text, 8, 2);
            end = 10;
            if (civil.day < 1 || civil.day > daysInMonth(civil.year, civil.month))
                return false;
        }
    }
    return true;
}

// "Thh:mm:ss", a fraction of a second, and "Z" or "+hh:mm" / "-hh:mm" from `at` to the end;
// the offset in minutes east of UTC.
bool readTime(const std::string& text, size_t at, DateTime::Civil& civil, int& offset)
{
    civil.hour = digits(text, at + 1, 2);
    civil.minute = digits(text, at + 4, 2);
    civil.second = digits(text, at + 7, 2);
    if (!separatorAt(text, at, 'T') || !separatorAt(text, at + 3, ':') ||
        !separatorAt(text, at + 6, ':') || civil.hour < 0 || civil.hour > 23 ||
        civil.minute < 0 || civil.minute > 59 || civil.second < 0 || civil.second > 60)
        return false;
    size_t zone = at + 9;
    if (separatorAt(text, zone, '.')) {
        ++zone;
        while (zone < text.size() && text[zone] >= '0' && text[zone] <= '9')
            ++zone;
        if (zone == at + 10)
            return false;
    }
    if (text.size() == zone + 1 && text[zone] == 'Z') {
        offset = 0;
        return true;
    }
    const int hours = digits(text, zone + 1, 2);
    const int minutes = digits(text, zone + 4, 2);
    if (text.size() != zone + 6 || (text[zone] != '+' && text[zone] != '-') ||
        !separatorAt(text, zone + 3, ':') || hours < 0 || hours > 14 || minutes < 0 ||
        minutes > 59)
        return false;
    offset = (text[zone] == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

// The clinic's local time at the instant `civil` names in a zone `offset` minutes east of UTC.
DateTime localAt(const DateTime::Civil& civil, int offset)
{
    std::tm utc{};
    utc.tm_year = civil.year - 1900;
    utc.tm_mon = civil.month - 1;
    utc.tm_mday = civil.day;
    utc.tm_hour = civil.hour;
    utc.tm_min = civil.minute - offset;
    utc.tm_sec = std::min(civil.second, 59);
    const std::time_t instant = timegm(&utc);
    std::tm local{};
    localtime_r(&instant, &local);
    return DateTime::fromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour, local.tm_min, local.tm_sec);
}

} // namespace

bool FhirTime::read(const std::string& text, Form form, DateTime& local)
{
    DateTime::Civil civil;
    size_t end = 0;
    if (!readDate(text, civil, end))
        return false;
    if (end == text.size()) {
        local = DateTime::fromCivil(civil.year, civil.month, civil.day);
        return true;
    }
    int offset = 0;
    if (form == Form::Date || end != 10 || !readTime(text, end, civil, offset))
        return false;
    local = localAt(civil, offset);
    return true;
}

std::string FhirTime::dateTime(DateTime local)
{
    DateTime::Civil civil;
    if (!local.toCivil(civil))
        return {};
    const long offset = offsetMinutes(civil);
    const long size = std::labs(offset);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", civil.year,
                  civil.month, civil.day, civil.hour, civil.minute, civil.second,
                  offset < 0 ? '-' : '+', size / 60, size % 60);
    return text;
}

std::string FhirTime::date(DateTime local)
{
    DateTime::Civil civil;
    if (!local.toCivil(civil))
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", civil.year, civil.month, civil.day);
    return text;
}
