#include "exchange/FhirTime.h"

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

} // namespace

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
