#include "store/DateTime.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <locale.h>

namespace {

constexpr long long secondsPerDay = 86400;
// Days from 1 January 1970 back to 30 December 1899.
constexpr long long epochOffset = 25569;

long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

long long floorMod(long long a, long long b)
{
    return a - floorDiv(a, b) * b;
}

// Days since 1 January 1970 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, long long m, long long d)
{
    y -= m <= 2;
    const long long era = floorDiv(y, 400);
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, long long& y, int& m, int& d)
{
    z += 719468;
    const long long era = floorDiv(z, 146097);
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

locale_t englishLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

DateTime DateTime::currentLocal()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return fromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, local.tm_sec);
}

DateTime DateTime::fromCivil(int year, int month, int day, int hour, int minute, int second)
{
    const long long y = year + floorDiv(month - 1LL, 12);
    const long long m = month - 1LL - floorDiv(month - 1LL, 12) * 12 + 1;
    const long long days = daysFromCivil(y, m, 1) + (day - 1LL) + epochOffset;
    const long long seconds = hour * 3600LL + minute * 60LL + second;
    return DateTime(static_cast<double>(days) + static_cast<double>(seconds) / secondsPerDay);
}

bool DateTime::toCivil(Civil& civil) const
{
    // Beyond about 8,000 years either side the value is no calendar date we can store.
    if (!std::isfinite(m_days) || std::fabs(m_days) > 3.0e6)
        return false;
    const long long total = std::llround(m_days * secondsPerDay);
    const long long dayNumber = floorDiv(total, secondsPerDay);
    const long long secondOfDay = total - dayNumber * secondsPerDay;
    const long long unixDay = dayNumber - epochOffset;

    long long year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(unixDay, year, month, day);
    if (year < 1 || year > 9999)
        return false;

    civil.year = static_cast<int>(year);
    civil.month = month;
    civil.day = day;
    civil.hour = static_cast<int>(secondOfDay / 3600);
    civil.minute = static_cast<int>(secondOfDay / 60 % 60);
    civil.second = static_cast<int>(secondOfDay % 60);
    civil.weekday = static_cast<int>(floorMod(unixDay + 4, 7)); // 1 January 1970 was a Thursday
    civil.yearDay = static_cast<int>(unixDay - daysFromCivil(year, 1, 1));
    return true;
}

std::string DateTime::format(const char* pattern) const
{
    Civil c;
    if (!toCivil(c) || pattern == nullptr || *pattern == '\0')
        return {};
    std::tm fields{};
    fields.tm_year = c.year - 1900;
    fields.tm_mon = c.month - 1;
    fields.tm_mday = c.day;
    fields.tm_hour = c.hour;
    fields.tm_min = c.minute;
    fields.tm_sec = c.second;
    fields.tm_wday = c.weekday;
    fields.tm_yday = c.yearDay;
    fields.tm_isdst = -1;

    char buffer[256];
    const size_t length = strftime_l(buffer, sizeof buffer, pattern, &fields, englishLocale());
    return std::string(buffer, length);
}

std::string DateTime::toIso() const
{
    Civil c;
    if (!toCivil(c))
        return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
    return buffer;
}

bool DateTime::fromIso(const std::string& text, DateTime& result)
{
    static const char shape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof shape - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i])
            return false;
    }
    const auto number = [&](size_t at, size_t length) { return std::stoi(text.substr(at, length)); };
    Civil wanted;
    wanted.year = number(0, 4);
    wanted.month = number(5, 2);
    wanted.day = number(8, 2);
    wanted.hour = number(11, 2);
    wanted.minute = number(14, 2);
    wanted.second = number(17, 2);
    if (wanted.hour > 23 || wanted.minute > 59 || wanted.second > 59)
        return false;

    // fromCivil carries 31 February into March; such a text is no date.
    const DateTime value = fromCivil(wanted.year, wanted.month, wanted.day, wanted.hour,
                                     wanted.minute, wanted.second);
    Civil got;
    if (!value.toCivil(got) || got.year != wanted.year || got.month != wanted.month ||
        got.day != wanted.day)
        return false;
    result = value;
    return true;
}
