#include "records/BackupRetention.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr const char* kPattern = "medora-%04d-%02d-%02d.rbk";

long long dayNumber(const DateTime& day) {
    return (long long)std::floor(day.days());
}

// Weeks start on Monday; day 2 was Monday 1 January 1900.
long long weekOf(const DateTime& day) {
    const long long days = dayNumber(day) - 2;
    return days >= 0 ? days / 7 : (days - 6) / 7;
}

long long monthOf(const DateTime& day) {
    DateTime::Civil civil;
    day.toCivil(civil);
    return civil.year * 12LL + civil.month;
}

struct Dated {
    std::string name;
    DateTime day;
};

} // namespace

std::string BackupRetention::fileName(const DateTime& day) {
    DateTime::Civil civil;
    day.toCivil(civil);
    char name[32];
    std::snprintf(name, sizeof name, kPattern, civil.year, civil.month, civil.day);
    return name;
}

std::optional<DateTime> BackupRetention::dayOf(const std::string& name) {
    int year = 0, month = 0, day = 0;
    if (std::sscanf(name.c_str(), "medora-%4d-%2d-%2d", &year, &month, &day) != 3)
        return std::nullopt;
    const DateTime date = DateTime::fromCivil(year, month, day);
    // The round trip refuses impossible dates and names with anything more to them.
    if (fileName(date) != name)
        return std::nullopt;
    return date;
}

std::vector<std::string> BackupRetention::toDelete(const std::vector<std::string>& names) {
    std::vector<Dated> backups;
    for (const std::string& name : names)
        if (const auto day = dayOf(name))
            backups.push_back({name, *day});
    std::ranges::sort(backups, std::greater<>(), [](const Dated& b) { return b.day.days(); });

    // Each older tier keeps a file only from a week or month that no file kept so far is in.
    std::vector<std::string> doomed;
    int kept = 0;
    const DateTime* last = nullptr;
    for (const Dated& backup : backups) {
        bool keep = false;
        if (kept < kDaily)
            keep = true;
        else if (kept < kDaily + kWeekly)
            keep = weekOf(backup.day) != weekOf(*last);
        else if (kept < kDaily + kWeekly + kMonthly)
            keep = monthOf(backup.day) != monthOf(*last);
        if (keep) {
            ++kept;
            last = &backup.day;
        } else {
            doomed.push_back(backup.name);
        }
    }
    return doomed;
}
